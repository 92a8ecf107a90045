// VarnelInstall-Part2: started by the first installation stage with "program folder**user data base"
// as its arguments (joined by single spaces).
#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include "main_window.hpp"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VarnelInstall-Part2"));

    auto documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    varnel::LinuxKnownFolders folders{varnel::fromDisplay(documents)};
    auto state = varnel::parseCommandLine(varnel::joinArguments(argc, argv), folders);
    state.workingFolder = varnel::fromDisplay(QDir::currentPath());

    tesk::PosixFileSystem fs;
    tesk::RegFileRegistry registry{fs, tesk::defaultRegistryFile()};
    varnel::Main window{state, varnel::palmDesktopPathReadable(registry), fs, registry};
    QObject::connect(
        &window, &varnel::Main::programEnded, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    window.show();
    return QApplication::exec();
}
