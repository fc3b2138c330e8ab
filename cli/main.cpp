// vellumark-cli: the headless batch front end over the label libraries.
#include "CliCommands.h"

#include <QDir>
#include <QFile>
#include <QApplication>

#include <cstdio>

#include <unistd.h>

int main(int argc, char** argv) {
    // Only the view window needs a display: everything else renders off-screen.
    const bool window = argc > 1 && qstrcmp(argv[1], "view") == 0;
    if (!window && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Without a display Qt would abort; say what is missing instead.
    if (window && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        fprintf(stderr, "vellumark-cli: view needs a display (DISPLAY or WAYLAND_DISPLAY is not set)\n");
        return 1;
    }
    // Outside a desktop session Qt warns about a missing runtime folder on stderr, which
    // scripts read as our error channel: give it a private one.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime =
            QDir::tempPath() + QStringLiteral("/vellumark-runtime-%1").arg(getuid());
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }
    // The label view is a widget, even when it only paints off-screen.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vellumark"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = cli::Run(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return status;
}
