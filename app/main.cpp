// The program: --help and --version answered before anything else, then the
// window toolkit, the application title, the main window, and the toolkit's
// message loop. An exception that escapes is shown in a message box and the
// program ends.
#include "app/ConventionalOptions.h"
#include "diag/Diag.h"
#include "frontend/CfgForm.h"
#include "frontend/MainForm.h"
#include "frontend/VxKeyMap.h"
#include "frontend/VxLateOptionsDialog.h"
#include "frontend/VxMessageBox.h"
#include "frontend/VxMidiControl.h"
#include "frontend/config/GlobalConfig.h"

#include <QApplication>
#include <QMessageBox>

#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kApplicationTitle = "Vexaline Velm free";

// The arguments are file names as the system's bytes: the toolkit's decoded
// copies would lose names that are not UTF-8.
int RunPlayer(QApplication& application, std::vector<std::string> arguments) {
    // The one configuration record of the run; it outlives the window.
    TGlobalConfigTAG config;
    TMainForm form(config, std::move(arguments));
    form.SetKeyboard(std::make_unique<TVxKeyboardControl>());
    form.OnEnd = [](int exitCode) { QApplication::exit(exitCode); };
    form.FormCreate();
    form.SetOptionsDialog(
        std::make_unique<TVxLateOptionsDialog>([] { return std::make_unique<TCfgForm>(); }));
    TVxMidiControl controllers(form);
    controllers.Start();
    form.show();
    return application.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (VxAnswerConventionalOption(argc, argv, stdout))
        return 0;
    // A write beyond the file size limit ("ulimit -f") fails and is reported
    // like any failed write, instead of ending the deck in the middle of a set.
    std::signal(SIGXFSZ, SIG_IGN);
    // The toolkit's shared-memory images make every flush of the window wait
    // for the X server to answer (28 round trips a second while playing);
    // the deck's small repaints cost no more sent over the connection.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vexaline"));
    QApplication::setApplicationVersion(QStringLiteral(VX_VERSION));
    // Lets the desktop match the window with its entry and icon.
    QApplication::setDesktopFileName(QStringLiteral(VX_DESKTOP_ID));
    QApplication::setApplicationDisplayName(QString::fromLatin1(kApplicationTitle));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/vexaline.png")));
    VxInstallMessageBoxHandler();
    try {
        return RunPlayer(application, std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QString::fromLatin1(kApplicationTitle),
                              QString::fromLocal8Bit(error.what()));
    }
    return 0;
}
