// Entry of the desktop program: finds the program folder, reads the settings, shows the title.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFont>
#include <QMessageBox>
#include <cstdlib>
#include <optional>

#include "app/title_window.h"
#include "data/fatal_error.h"
#include "data/program_folder.h"
#include "data/settings_file.h"
#include "platform/audio_output.h"

namespace {

constexpr const char* kApplicationTitle = "鉄道運転シミュレータ";

void showError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kApplicationTitle), text,
                    QMessageBox::Ok);
    box.exec();
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
    QApplication::setOrganizationName(QStringLiteral("Tressmoor"));
    QApplication::setApplicationVersion(QStringLiteral("0.1"));
    QFont font(QStringLiteral("Meiryo UI"));
    font.setFamilies({QStringLiteral("Meiryo UI"), QStringLiteral("IPAGothic"),
                      QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    QApplication::setFont(font);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Tressmoor — railway driving simulator.\n"
        "Pick a service on the title window and drive it from the cab.\n\n"
        "The program folder holds tressmoor.dat and every file it names. It is, in order of\n"
        "preference, the folder given with --data, the folder in the environment variable\n"
        "TRESSMOOR_DATA, or the folder of this executable."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption dataOption(QStringLiteral("data"),
                                  QStringLiteral("Use DIR as the program folder."),
                                  QStringLiteral("DIR"));
    parser.addOption(dataOption);
    parser.process(app);

    std::optional<std::string> dataArg;
    if (parser.isSet(dataOption)) dataArg = parser.value(dataOption).toStdString();
    const auto folder = tressmoor::data::resolveProgramFolder(
        dataArg, std::getenv("TRESSMOOR_DATA"),
        QCoreApplication::applicationDirPath().toStdString());

    if (!tressmoor::data::holdsSettingsFile(folder)) {
        showError(QString::fromUtf8(tressmoor::data::kMisplacedProgramMessage));
        return 1;
    }
    // Data files name their pictures, sounds and videos relative to the program folder.
    QDir::setCurrent(QString::fromStdString(folder.string()));

    tressmoor::data::AppSettings settings;
    try {
        tressmoor::data::ReadSettingsFile(folder, settings);
    } catch (const tressmoor::data::FatalError& e) {
        showError(QString::fromUtf8(e.what()));
        return 1;
    }

    const auto mixer = tressmoor::platform::createMixer();
    tressmoor::app::TitleWindow title(folder, *mixer);
    QObject::connect(&title, &tressmoor::app::TitleWindow::serviceChosen, &title, [&](int) {
        QMessageBox::information(&title, QString::fromUtf8(kApplicationTitle),
                                 QStringLiteral("運転画面は準備中です。"));
        title.endDrive();
    });
    title.show();
    return app.exec();
}
