// bench-floor: the least a Qt Widgets program does for the launcher's first
// moments, to measure the launcher against. One maximised window with an
// 800x600 JPEG scaled to it, then a small modal dialog with a label and two
// buttons; Enter in it closes it and opens a second small dialog.
#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The picture, decoded once and scaled once per window size.
class PictureWindow : public QWidget {
public:
    PictureWindow() : m_picture(QStringLiteral(":/welcome.jpg"))
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const qreal ratio = devicePixelRatioF();
        const QSize device = size() * ratio;
        if (m_scaled.size() != device) {
            m_scaled = QPixmap::fromImage(m_picture.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            m_scaled.setDevicePixelRatio(ratio);
        }
        QPainter(this).drawPixmap(0, 0, m_scaled);
    }

private:
    QImage m_picture;
    QPixmap m_scaled;
};

// A small modal dialog: a line of text and one or two buttons, the first the default.
void ask(QWidget *owner, const QString &title, const QString &text, const QStringList &buttons)
{
    QDialog dialog(owner);
    dialog.setWindowTitle(title);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(text));
    auto *row = new QHBoxLayout;
    row->addStretch();
    for (const QString &caption : buttons) {
        auto *button = new QPushButton(caption);
        QObject::connect(button, &QPushButton::clicked, &dialog, &QDialog::accept);
        if (caption == buttons.first())
            button->setDefault(true);
        row->addWidget(button);
    }
    layout->addLayout(row);
    dialog.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    PictureWindow window;
    window.setWindowTitle(QStringLiteral("bench-floor"));
    window.showMaximized();
    ask(&window, QStringLiteral("bench-floor dialog"), QStringLiteral("Would you like to install it?"),
        {QStringLiteral("&Yes"), QStringLiteral("&No")});
    ask(&window, QStringLiteral("bench-floor next"), QStringLiteral("Done."), {QStringLiteral("OK")});
    return 0;
}
