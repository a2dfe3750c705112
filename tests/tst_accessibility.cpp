// What a screen reader finds on every form: the window's title, each button's
// text and access key, each label's text, and a description of each picture.
#include "forms/core/form.h"
#include "forms/qt/qtport.h"
#include "support/player.h"

#include <QAccessible>
#include <QTest>

using namespace engine;

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { player::verifyNothingLeft(); }
    void everyControlSaysWhatItIs_data();
    void everyControlSaysWhatItIs();
};

void AccessibilityTest::everyControlSaysWhatItIs_data()
{
    QTest::addColumn<QString>("form");
    for (const char *name : {"frmAcrobat", "frmMsgBox", "frmYesNo", "frmNewBox", "frmOption"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void AccessibilityTest::everyControlSaysWhatItIs()
{
    QFETCH(QString, form);
    const FormDef &def = player::definitionNamed(form);
    Form plain(def);
    plain.Show();

    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(player::windowOf(plain));
    QVERIFY(window);
    QCOMPARE(window->text(QAccessible::Name), qtport::qs(def.caption));

    for (const ControlDef &control : def.controls) {
        const QString name = qtport::qs(control.name), caption = qtport::qs(control.caption);
        QAccessibleInterface *item = QAccessible::queryAccessibleInterface(qtport::widgetOf(*plain.control(control.name)));
        QVERIFY2(item, qPrintable(name));
        QVERIFY(window->indexOfChild(item) >= 0);
        switch (control.kind) {
        case ControlKind::CommandButton: {
            QCOMPARE(item->role(), QAccessible::Button);
            QCOMPARE(item->text(QAccessible::Name), qtport::qs(withoutAccessMarks(control.caption)));
            const QString key = QKeySequence::mnemonic(caption).toString();
            QVERIFY2(item->text(QAccessible::Accelerator).contains(key.right(1)),
                     qPrintable(name + ": " + item->text(QAccessible::Accelerator)));
            QCOMPARE(item->state().invisible, !control.visible);
            break;
        }
        case ControlKind::Label:
            QCOMPARE(item->role(), QAccessible::StaticText);
            QCOMPARE(item->text(QAccessible::Name), caption);
            break;
        case ControlKind::Image:
            QCOMPARE(item->role(), QAccessible::Graphic);
            QVERIFY(!item->text(QAccessible::Name).isEmpty());
            QCOMPARE(item->text(QAccessible::Name), qtport::qs(control.picture.description));
            break;
        }
    }
    plain.Unload();
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
