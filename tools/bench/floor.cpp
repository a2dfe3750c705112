// bench-floor: the least a Qt Widgets program does for the launcher's first
// moments, to measure the launcher against. One maximised window with an
// 800x600 JPEG scaled to it, then a small modal dialog with a label and two
// buttons; Enter in it closes it and opens a second small dialog.
//
//   bench-floor [PROGRAM]
//
// With PROGRAM, Enter in the first dialog also starts PROGRAM before the second
// dialog, as the launcher starts an installer there: in its own folder, in a
// session of its own, with no descriptor above standard error, not waited for.
#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <spawn.h>
#include <string>

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

void start(const std::string &program)
{
    const std::string folder = program.substr(0, program.rfind('/') + 1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    char *argv[] = {const_cast<char *>(program.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ) != 0)
        qWarning("bench-floor: cannot start %s", program.c_str());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
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
    if (QApplication::arguments().size() > 1)
        start(QApplication::arguments().at(1).toStdString());
    ask(&window, QStringLiteral("bench-floor next"), QStringLiteral("Done."), {QStringLiteral("OK")});
    return 0;
}
