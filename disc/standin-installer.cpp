// Stand-in for the installers a published disc carries. The demo disc copies
// this one program to Acrobat/Setup.exe and Tallset.exe so that the launcher
// has something real to start; the window tells which installer it replaces.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The product whose installer this copy stands in for, from the name the
// copy was given on the disc (Setup.exe in Acrobat/, Tallset.exe in the root).
QString productFor(const QString &programPath)
{
    const QFileInfo file(programPath);
    const QString name = file.completeBaseName();
    if (name.compare(QLatin1String("tallset"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Trenchmoor");
    if (name.compare(QLatin1String("setup"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Acrobat Reader");
    return file.fileName();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    const QString product = productFor(QCoreApplication::applicationFilePath());
    const QString title = QStringLiteral("%1 installer (stand-in)").arg(product);

    // A dialog, so that Escape closes it as well as the button does.
    QDialog window;
    window.setWindowTitle(title);

    auto *text = new QLabel(QStringLiteral("This is a stand-in on the demo disc. On a real disc "
                                           "the real %1 installer would run here.")
                                .arg(product));
    text->setWordWrap(true);
    text->setMinimumWidth(320);

    auto *buttons = new QDialogButtonBox;
    QPushButton *close = buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::RejectRole);
    close->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);

    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(text);
    layout->addWidget(buttons);

    window.show();
    return app.exec();
}
