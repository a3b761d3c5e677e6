// Entry of the desktop program: finds the program folder, reads the settings, shows the title
// window and runs the drives chosen on it — or, from the command line, one drive directly.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QEventLoop>
#include <QFont>
#include <QMessageBox>
#include <QStandardPaths>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "app/title_window.h"
#include "data/fatal_error.h"
#include "data/program_folder.h"
#include "data/settings_file.h"
#include "data/settings_store.h"
#include "platform/audio_output.h"
#include "platform/qt_settings_store.h"
#include "sim/script.h"
#include "sim/service.h"
#include "view/controller_menu.h"
#include "view/driving_window.h"
#include "view/fonts.h"

namespace {

constexpr const char* kApplicationTitle = "鉄道運転シミュレータ";

/// Exit status of a drive that could not be built from its data files.
constexpr int kFatalDataStatus = 2;

void showError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kApplicationTitle), text,
                    QMessageBox::Ok);
    box.exec();
}

/// A train file named on the command line: a bare name is one of the program folder's trains,
/// a path names a train file in its own folder.
void applyTrainArgument(tressmoor::sim::ServiceChoice& choice, const QString& argument) {
    const QFileInfo info(argument);
    if (!argument.contains('/') && !argument.contains('\\')) {
        choice.TrainFile = argument.toStdString();
        return;
    }
    choice.TrainFile = info.fileName().toStdString();
    choice.TrainFolder =
        (QDir::toNativeSeparators(info.absolutePath()) + QDir::separator()).toStdString();
}

/// One drive, start to end: builds the driving window (a fatal data error ends the program after
/// its message), drives until it closes and returns its script status.
class DriveRunner {
public:
    DriveRunner(std::filesystem::path folder, tressmoor::sound::Mixer& mixer,
                tressmoor::data::SettingsStore& store)
        : folder_(std::move(folder)), mixer_(mixer), store_(store) {}

    int run(const tressmoor::sim::ServiceChoice& choice, tressmoor::view::DriveOptions options,
            const std::function<void()>& beforeShow) {
        std::unique_ptr<tressmoor::view::DrivingWindow> window;
        const bool unattended = options.unattended;
        if (options.chosenAt == std::chrono::steady_clock::time_point{}) {
            options.chosenAt = std::chrono::steady_clock::now();
        }
        try {
            window = std::make_unique<tressmoor::view::DrivingWindow>(folder_, choice, mixer_,
                                                                      store_, std::move(options));
        } catch (const tressmoor::data::FatalError& e) {
            if (unattended) std::cerr << e.what() << std::endl;
            if (!unattended) showError(QString::fromUtf8(e.what()));
            std::exit(kFatalDataStatus);
        }
        if (beforeShow) beforeShow();
        QEventLoop loop;
        QObject::connect(window.get(), &tressmoor::view::DrivingWindow::finished, &loop,
                         &QEventLoop::quit);
        window->show();
        window->startDriving();
        loop.exec();
        window->hide();
        return window->scriptStatus();
    }

private:
    std::filesystem::path folder_;
    tressmoor::sound::Mixer& mixer_;
    tressmoor::data::SettingsStore& store_;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
    QApplication::setOrganizationName(QStringLiteral("Tressmoor"));
    // Ties the windows to the installed desktop entry (its icon and name on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.tressmoor.Tressmoor"));
    QApplication::setApplicationVersion(QStringLiteral("0.1"));
    QApplication::setFont(tressmoor::view::japaneseFont("Meiryo UI", 16));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Tressmoor — railway driving simulator.\n"
        "Pick a service on the title window and drive it from the cab, or start a drive\n"
        "directly with --service.\n\n"
        "The program folder holds tressmoor.dat and every file it names. It is, in order of\n"
        "preference, the folder given with --data, the folder in the environment variable\n"
        "TRESSMOOR_DATA, the folder of this executable when it holds tressmoor.dat, or the\n"
        "installed program folder ../share/tressmoor beside it (/usr/share/tressmoor for\n"
        "/usr/bin/tressmoor). Options, save slots and calibration are kept per user\n"
        "(~/.config/Tressmoor); nothing is written into the program folder.\n\n"
        "In the driving window: the keys listed in operation.dat drive the train; plain F11 or\n"
        "a double click on the view switches full screen; the Start menu pauses; a click on the\n"
        "view resumes; the 戻る button at the lower right ends the drive. The drive report\n"
        "(運転成績: stops, timekeeping, safety devices, speeds, score) opens at the service\n"
        "end and from the Display menu (menu item report1).\n\n"
        "A script (--script) has one command per line, '<seconds> <command>', timed in driven\n"
        "seconds from the first frame: key NAME, keyup NAME, hold NAME SECONDS, station N,\n"
        "save N, load N, menu ITEM (runs the menu item of that object name: OFFC1, Save2,\n"
        "Sta3 ...), shot FILE.png (saves the 1202 x 801 picture), quit, serial TEXT\n"
        "(characters as the serial controller sends them, \\r the carriage return),\n"
        "controller N (0 … 3, as the Controller menu), joy X Y BUTTONS (the joystick state,\n"
        "buttons as 0,5 or -). Key names: 8, z,\n"
        "Enter, Esc, Space, Backspace, PageUp, PageDown, Up, Down, ScrollLock, F1 … F12, each\n"
        "optionally with 'Shift+'. During a scripted run message boxes are also written to\n"
        "stderr and close by themselves.\n\n"
        "Every drive is recorded: the last one in last-drive.tmrec in the program's data folder\n"
        "(on Linux ~/.local/share/Tressmoor/<program name>/), and in FILE with --record FILE.\n"
        "--replay FILE drives a record again exactly, without taking input."));
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption dataOption(QStringLiteral("data"),
                                  QStringLiteral("Use DIR as the program folder."),
                                  QStringLiteral("DIR"));
    QCommandLineOption serviceOption(
        QStringLiteral("service"),
        QStringLiteral("Drive service N (1 … 5) at once, without the title window; the program "
                       "ends when the drive ends."),
        QStringLiteral("N"));
    QCommandLineOption trainOption(
        QStringLiteral("train"),
        QStringLiteral("With --service: drive FILE instead of the service's own train (a name in "
                       "the program folder, or a path)."),
        QStringLiteral("FILE"));
    QCommandLineOption stationOption(
        QStringLiteral("start-station"),
        QStringLiteral("With --service: start at station index K (0 = the first)."),
        QStringLiteral("K"));
    QCommandLineOption scriptOption(QStringLiteral("script"),
                                    QStringLiteral("With --service: play the commands of FILE."),
                                    QStringLiteral("FILE"));
    QCommandLineOption statsOption(
        QStringLiteral("frame-stats"),
        QStringLiteral("Write a CSV row per frame to FILE: dt_ms, decode_us, compose_us, "
                       "present_us, physics_update_us, sound_us."),
        QStringLiteral("FILE"));
    QCommandLineOption stepOption(
        QStringLiteral("step-ms"),
        QStringLiteral("Run frames back to back, each MS milliseconds long, instead of in real "
                       "time (reproducible scripted runs)."),
        QStringLiteral("MS"));
    QCommandLineOption silentOption(QStringLiteral("silent"),
                                    QStringLiteral("Play no sound (a silent output stands in)."));
    QCommandLineOption serialOption(
        QStringLiteral("serial"),
        QStringLiteral("Open the serial master controller on PORT when a drive starts, as the "
                       "Controller menu's Connect does (a port name or a device path)."),
        QStringLiteral("PORT"));
    QCommandLineOption controllerOption(
        QStringLiteral("controller"),
        QStringLiteral("Start with controller type N: 0 serial only (the default), 1 two-axis, "
                       "2 calibrated button-coded, 3 fixed-code joystick controller."),
        QStringLiteral("N"));
    QCommandLineOption calibrationOption(
        QStringLiteral("calibration"),
        QStringLiteral("Keep LIST as the joystick calibration of the calibrated button-coded "
                       "controller (type 2) in the user settings: P0,P1,…,P5,B0,…,B8,EB, 16 "
                       "whole numbers (the button sums of each handle position)."),
        QStringLiteral("LIST"));
    QCommandLineOption virtualOption(
        QStringLiteral("virtual-controllers"),
        QStringLiteral("With --script: drive through a software serial controller on a "
                       "pseudo-terminal (opened as the serial port) and a virtual joystick; "
                       "the script's serial and joy commands go through them, as a real "
                       "controller's data would."));
    QCommandLineOption eventsOption(
        QStringLiteral("events"),
        QStringLiteral("Write a line per event of the drive to FILE (arrivals, doors, calls, "
                       "safety system, sounds), as the headless runner does."),
        QStringLiteral("FILE"));
    QCommandLineOption recordOption(
        QStringLiteral("record"),
        QStringLiteral("Write the drive's record to FILE (besides the automatic "
                       "last-drive.tmrec)."),
        QStringLiteral("FILE"));
    QCommandLineOption replayOption(
        QStringLiteral("replay"),
        QStringLiteral("Drive the record FILE again, exactly: its service, inputs and frame "
                       "lengths; the drive takes no input of its own and ends with the record. "
                       "A data file that differs from the recorded one is named on stderr."),
        QStringLiteral("FILE"));
    QCommandLineOption traceOption(
        QStringLiteral("trace"),
        QStringLiteral("Write a CSV row per frame to FILE, as tressmoor-sim --trace does."),
        QStringLiteral("FILE"));
    for (auto* o : {&dataOption, &serviceOption, &trainOption, &stationOption, &scriptOption,
                    &statsOption, &stepOption, &silentOption, &serialOption, &controllerOption,
                    &calibrationOption, &virtualOption, &eventsOption, &recordOption,
                    &replayOption, &traceOption}) {
        parser.addOption(*o);
    }
    parser.process(app);

    std::optional<std::string> dataArg;
    if (parser.isSet(dataOption)) dataArg = parser.value(dataOption).toStdString();
    const auto folder =
        tressmoor::data::resolveProgramFolder(dataArg, std::getenv("TRESSMOOR_DATA"),
                                              QCoreApplication::applicationDirPath().toStdString());
    // Files named on the command line and in a script are relative to the folder the program
    // was started in, not to the program folder it works in below (which may be read-only).
    const QDir startFolder = QDir::current();
    auto fromStart = [&startFolder](const QString& name) {
        return startFolder.absoluteFilePath(name);
    };
    auto fileArgument = [&](const QCommandLineOption& option) {
        return fromStart(parser.value(option)).toStdString();
    };

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

    tressmoor::platform::AudioOptions audio;
    audio.tryDevice = !parser.isSet(silentOption);
    std::unique_ptr<tressmoor::sound::Mixer> mixer = tressmoor::platform::createMixer(audio);
    tressmoor::platform::QtSettingsStore store;
    DriveRunner runner(folder, *mixer, store);

    tressmoor::view::DriveOptions drive;
    if (parser.isSet(statsOption)) drive.frameStatsPath = fileArgument(statsOption);
    if (parser.isSet(eventsOption)) drive.eventsPath = fileArgument(eventsOption);
    drive.virtualControllers = parser.isSet(virtualOption);
    if (parser.isSet(calibrationOption)) {
        const auto values =
            tressmoor::data::ParseCalibrationList(parser.value(calibrationOption).toStdString());
        if (!values) {
            std::cerr << "--calibration takes 16 whole numbers separated by commas" << std::endl;
            return 64;
        }
        if (!tressmoor::data::WriteControllerCalibration(store, *values)) {
            std::cerr << "the calibration could not be kept in the user settings" << std::endl;
        }
    }
    if (parser.isSet(serialOption)) drive.serialPort = parser.value(serialOption).toStdString();
    if (parser.isSet(traceOption)) drive.tracePath = fileArgument(traceOption);
    // Every drive is recorded; the last one is kept in the per-user data folder.
    std::filesystem::path lastDrive;
    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!dataDir.isEmpty() && QDir().mkpath(dataDir)) {
        lastDrive = (dataDir + QStringLiteral("/last-drive.tmrec")).toStdString();
    }
    std::filesystem::path recordCopy;
    if (parser.isSet(recordOption)) {
        drive.recordPath = fileArgument(recordOption);
        recordCopy = lastDrive;
    } else {
        drive.recordPath = lastDrive;
    }
    if (parser.isSet(controllerOption)) {
        bool ok = false;
        const int type = parser.value(controllerOption).toInt(&ok);
        if (!ok || type < 0 || type > 3) {
            std::cerr << "--controller takes a number from 0 to 3" << std::endl;
            return 64;
        }
        tressmoor::view::ControllerMenu::setProgramControllerType(type);
    }
    if (parser.isSet(stepOption)) {
        bool ok = false;
        const double ms = parser.value(stepOption).toDouble(&ok);
        if (!ok || ms < 1 || ms > 1000) {
            std::cerr << "--step-ms takes a number of milliseconds from 1 to 1000" << std::endl;
            return 64;
        }
        drive.fixedStepMs = ms;
    }

    if (parser.isSet(replayOption)) {
        if (parser.isSet(scriptOption) || parser.isSet(recordOption)) {
            std::cerr << "--replay takes no --script or --record" << std::endl;
            return 64;
        }
        try {
            drive.replay = tressmoor::sim::readDriveRecordFile(fileArgument(replayOption));
        } catch (const tressmoor::sim::DriveRecordError& e) {
            std::cerr << e.what() << std::endl;
            return 64;
        }
        for (const auto& warning : tressmoor::sim::checkRecordedFiles(*drive.replay, folder)) {
            std::cerr << "warning: " << warning << "; the replay goes on" << std::endl;
        }
        // A replay keeps the user's settings as they are: its reads come from the record. Its
        // messages close by themselves, as in a scripted run.
        drive.recordPath.clear();
        drive.unattended = true;
        tressmoor::data::MemorySettingsStore replayStore;
        DriveRunner replayRunner(folder, *mixer, replayStore);
        const auto choice = drive.replay->choice;
        return replayRunner.run(choice, drive, {});
    }
    auto copyRecord = [&] {
        // With --record the automatic record of the last drive is kept as well.
        if (recordCopy.empty()) return;
        std::error_code ec;
        std::filesystem::copy_file(drive.recordPath, recordCopy,
                                   std::filesystem::copy_options::overwrite_existing, ec);
    };
    if (parser.isSet(serviceOption)) {
        bool ok = false;
        const int service = parser.value(serviceOption).toInt(&ok);
        if (!ok || service < 1 || service > 5) {
            std::cerr << "--service takes a number from 1 to 5" << std::endl;
            return 64;
        }
        auto choice = tressmoor::sim::ServiceChoice::forService(service - 1);
        if (parser.isSet(trainOption)) {
            const QString train = parser.value(trainOption);
            const bool bare = !train.contains('/') && !train.contains('\\');
            applyTrainArgument(choice, bare ? train : fromStart(train));
        }
        if (parser.isSet(stationOption)) choice.StartStation = parser.value(stationOption).toInt();
        if (parser.isSet(scriptOption)) {
            std::ifstream in(fileArgument(scriptOption), std::ios::binary);
            if (!in) {
                std::cerr << "cannot read " << fileArgument(scriptOption) << std::endl;
                return 64;
            }
            std::stringstream text;
            text << in.rdbuf();
            try {
                drive.script = tressmoor::sim::parseScript(text.str());
            } catch (const std::invalid_argument& e) {
                std::cerr << e.what() << std::endl;
                return 64;
            }
            for (auto& command : drive.script->commands) {
                if (command.kind != tressmoor::sim::ScriptCommand::Kind::Shot) continue;
                command.path = fromStart(QString::fromStdString(command.path)).toStdString();
            }
            drive.unattended = true;
        }
        const int status = runner.run(choice, drive, {});
        copyRecord();
        return status;
    }

    tressmoor::app::TitleWindow title(folder, *mixer);
    QObject::connect(&title, &tressmoor::app::TitleWindow::serviceChosen, &title,
                     [&](int index, const QString& pickedFile, const QString& pickedFolder) {
                         tressmoor::view::DriveOptions options = drive;
                         options.chosenAt = std::chrono::steady_clock::now();
                         const auto choice = tressmoor::sim::ServiceChoice::forService(
                             index, pickedFile.toStdString(), pickedFolder.toStdString());
                         options.progress = [&title](const std::string& text) {
                             title.showProgress(QString::fromStdString(text));
                         };
                         runner.run(choice, options, [&title] { title.hide(); });
                         copyRecord();
                         title.endDrive();
                     });
    title.show();
    return app.exec();
}
