// The commands of korlex-cli. Each checks what it can without a device first; then, for each
// device it works on, connects it, makes the checks that need the device, asks when it is to
// change the device, and runs the engine's jobs, following their signals.

#include "app/cli/clicommands.h"

#include "app/cli/clibackups.h"
#include "app/cli/climessages.h"
#include "app/cli/clioptions.h"
#include "app/cli/clioutput.h"
#include "app/cli/clirun.h"
#include "app/cli/clisignals.h"
#include "catalogue/devicemodels.h"
#include "device/commands.h"
#include "device/devicejobs.h"
#include "device/userfile.h"
#include "pictures/picturejobs.h"
#include "pictures/pictureset.h"
#include "pictures/resourcefile.h"
#include "pictures/resourcejobs.h"
#include "resources/art/artresources.h"
#include "upgrade/backup.h"
#include "upgrade/upgradefile.h"
#include "upgrade/upgradejob.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTextStream>

#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QJsonArray numbers(const QVector<int> &values)
{
    QJsonArray array;
    for (int value : values)
        array.append(value);
    return array;
}

// Why a file cannot be read: the system's reason, or what it is instead of a file.
QString unreadable(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isDir() && !isRegularUserFile(path))
        return QStringLiteral("%1 is not a regular file").arg(native(path));
    if (info.isDir())
        return QStringLiteral("%1 is a folder").arg(native(path));
    QFile file(path);
    errno = 0;
    if (file.open(QIODevice::ReadOnly))
        return QString();
    return QStringLiteral("cannot read %1: %2")
            .arg(native(path),
                 errno ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString());
}

// Why an upgrade file gave no image; empty when it loaded.
QString upgradeLoadProblem(UpgradeLoad load, const QString &file)
{
    switch (load) {
    case UpgradeLoad::Loaded:
        break;
    case UpgradeLoad::Unreadable:
        return QStringLiteral("cannot read %1, or it is too short to be an upgrade file")
                .arg(native(file));
    case UpgradeLoad::TooLarge:
        return QStringLiteral("%1 is too large: its image has more than %2 blocks")
                .arg(native(file))
                .arg(MaxUpgradeBlocks);
    }
    return QString();
}

// A list of picture slots such as "1,3,5-7" (1-based); an error text when it is not one.
QVector<int> parseSlots(const QString &text, QString *error)
{
    QVector<int> slotList;
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QString item = part.trimmed();
        const QStringList ends = item.split(QLatin1Char('-'));
        int first = 0;
        int last = 0;
        if (ends.size() > 2) {
            *error = QStringLiteral("--slots %1: give slot numbers as 1,3,5-7").arg(text);
            return {};
        }
        for (const QString &end : ends) {
            if (!parseWholeNumber(end.trimmed(), &last)) {
                *error = QStringLiteral("--slots %1: %2 (give slot numbers as 1,3,5-7)")
                                 .arg(text, notWholeNumber(end.trimmed()));
                return {};
            }
        }
        parseWholeNumber(ends.first().trimmed(), &first);
        if (first > last) {
            *error = QStringLiteral("--slots %1: give slot numbers as 1,3,5-7").arg(text);
            return {};
        }
        if (first < 1 || last > PictureSet::MaxSlots) {
            *error = QStringLiteral("--slots %1: slot numbers are 1..%2")
                             .arg(text)
                             .arg(int(PictureSet::MaxSlots));
            return {};
        }
        for (int slot = first; slot <= last; ++slot) {
            if (!slotList.contains(slot))
                slotList.append(slot);
        }
    }
    std::sort(slotList.begin(), slotList.end());
    return slotList;
}

// KORLEX_LINK_TIMING=bootround=<ms>,bootrounds=<n>,restartwait=<ms>,slice=<ms>,timelimit=<ms>
// shortens the link's waits, for tests against the virtual device.
LinkTiming timingFromEnvironment()
{
    LinkTiming timing;
    const QString setting = QString::fromLocal8Bit(qgetenv("KORLEX_LINK_TIMING"));
    for (const QString &part : setting.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString key = part.section(QLatin1Char('='), 0, 0).trimmed();
        int value = 0;
        if (!parseWholeNumber(part.section(QLatin1Char('='), 1).trimmed(), &value) || value < 0)
            continue;
        if (key == QLatin1String("bootround"))
            timing.bootWaitRoundMs = qMax(1, value);
        else if (key == QLatin1String("bootrounds"))
            timing.bootWaitRounds = qMax(1, value);
        else if (key == QLatin1String("restartwait"))
            timing.restartWaitMs = value;
        else if (key == QLatin1String("slice"))
            timing.sliceMs = qMax(1, value);
        else if (key == QLatin1String("timelimit"))
            timing.timeLimitMs = value;
    }
    return timing;
}

QString pictureProgress(const char *verb, JobPhase phase, int done, int total)
{
    if (total <= 0 || (phase != JobPhase::ReadingPictures && phase != JobPhase::WritingPictures))
        return phaseText(phase);
    return QStringLiteral("%1 picture %2 of %3")
            .arg(QLatin1String(verb))
            .arg(qMin(done + 1, total))
            .arg(total);
}

// --- the commands --------------------------------------------------------------------------------

class Commands
{
public:
    Commands(Runner &runner, CliOutput &out)
        : m_runner(runner)
        , o(runner.options())
        , out(out)
    { }

    // The checks that need no device; the exit status (0: go on).
    int prepare(QJsonObject &fields);
    // The commands that need no device.
    bool needsDevice() const
    {
        return o.command != QLatin1String("list") && o.command != QLatin1String("file")
               && o.command != QLatin1String("backups");
    }
    int runWithoutDevice(QJsonObject &fields);
    // The command's work on one device.
    void start(Task &t);
    QString error() const { return m_error; }

private:
    int fail(int status, const QString &message)
    {
        if (m_error.isEmpty())
            m_error = message;
        out.message(message);
        return status;
    }

    int list(QJsonObject &fields);
    int inspect(QJsonObject &fields);
    int inspectUpgradeFile(const QString &file, QJsonObject &fields);
    int inspectResourceFile(const QString &file, const QStringList &lines, QJsonObject &fields);

    int backupList(QJsonObject &fields);

    void info(Task &t);
    void upgrade(Task &t);
    void backupBeforeUpgrade(Task &t);
    void startUpgrade(Task &t);
    void upgradeFinished(Task &t, const JobResult &r, qint64 elapsedMs);
    void compareWithBackup(Task &t, const DeviceBackup &backup);
    QString upgradeState(Task &t);
    void backup(Task &t);
    void restore(Task &t);
    void restoreBackup(Task &t, const DeviceBackup &backup);
    QString backupFailure(const JobResult &r) const;
    // The command that gives a device its backup back later.
    QString restoreCommand(Task &t, const DeviceBackup &backup) const;
    void picturesRead(Task &t);
    void picturesWrite(Task &t);
    void paramsGet(Task &t);
    void paramsSet(Task &t);
    void curvesGet(Task &t);
    void curvesSet(Task &t);
    void clockGet(Task &t);
    void clockSet(Task &t);
    void factoryReset(Task &t);
    void resourceSave(Task &t);
    void saveResource(Task &t, ResourcePictures source);
    void resourceLoad(Task &t);
    void loadResource(Task &t, ResourceLoadJob *check);
    void writeLoaded(Task &t, QVector<CurveSet::Write> curves, int status);

    // The parameters and curves come with a complete information reply only.
    bool needRecord(Task &t);
    // Ends the task of a short job: the result line on success, the cause on failure.
    void shortJob(Task &t, Job *job, const QString &what, std::function<void(Task &t)> succeeded);
    void printParameters(Task &t, const ParameterRecord &record);
    int restartLimitMs() const;

    Runner &m_runner;
    const CliOptions &o;
    CliOutput &out;
    QString m_error;

    // What the checks without a device found.
    UpgradeImage m_image;
    QString m_folder; // pictures read and write
    QVector<int> m_slots; // pictures write --slots
    std::optional<int> m_brightness;
    std::optional<int> m_puff;
    std::array<std::optional<bool>, ParameterRecord::CoilCount> m_coilOn;
    std::array<std::optional<int>, ParameterRecord::CoilCount> m_coilValue;
    bool m_temperature = true; // curves
    int m_group = -1; // curves, 0-based; -1: all
    TemperatureUnit m_unit = TemperatureUnit::Fahrenheit;
    CurveSet::Points m_points{};
    QDateTime m_time;
    QString m_backupRoot; // backup, backups, upgrade
    DeviceBackup m_restoreFrom; // restore

    // Where each device's upgrade is: its backup, then the upgrade, the comparison with the
    // backup and its restore.
    enum class UpgradeStage { Before, Backup, Upgrade, Compare, Restore };
    struct UpgradeSteps
    {
        UpgradeStage stage = UpgradeStage::Before;
        std::optional<DeviceBackup> backup;
    };
    std::map<const Task *, UpgradeSteps> m_upgrades;
};

int Commands::prepare(QJsonObject &f)
{
    const QString &c = o.command;
    if (c == QLatin1String("upgrade")) {
        const QString file = o.args.value(0);
        f.insert(QStringLiteral("file"), file);
        const QString problem = unreadable(file);
        if (!problem.isEmpty())
            return fail(ExitBadFile, problem);
        const QString notAnImage = upgradeLoadProblem(UpgradeImage::fromFile(file, &m_image), file);
        if (!notAnImage.isEmpty())
            return fail(ExitBadFile, notAnImage);
        if (m_image.isEmpty())
            return fail(ExitBadFile,
                        QStringLiteral("%1 holds no firmware image").arg(native(file)));
        f.insert(QStringLiteral("targetId"), hex16(m_image.targetId));
        f.insert(QStringLiteral("bytes"), double(m_image.size()));
        f.insert(QStringLiteral("blocks"), m_image.blockCount());
        if (!o.backup || o.dryRun)
            return ExitSuccess;
        // No device is upgraded whose backup could not be kept.
        m_backupRoot = defaultBackupRoot();
        QString reason;
        if (!folderIsWritable(m_backupRoot, &reason)) {
            return fail(ExitBadFile, QStringLiteral("cannot write backups into %1: %2; the upgrade "
                                                    "did not start (--no-backup upgrades "
                                                    "without a backup)")
                                             .arg(native(m_backupRoot), reason));
        }
        return ExitSuccess;
    }
    if (c == QLatin1String("backup") || c == QLatin1String("backups")) {
        m_backupRoot = o.args.isEmpty() ? defaultBackupRoot() : QDir(o.args.first()).absolutePath();
        f.insert(QStringLiteral("root"), m_backupRoot);
        if (c == QLatin1String("backups"))
            return ExitSuccess;
        // Nothing is read from the device that could not be kept.
        QString reason;
        if (!folderIsWritable(m_backupRoot, &reason)) {
            return fail(ExitBadFile, QStringLiteral("cannot write backups into %1: %2")
                                             .arg(native(m_backupRoot), reason));
        }
        return ExitSuccess;
    }
    if (c == QLatin1String("restore")) {
        const QString folder = o.args.value(0);
        if (!QFileInfo(folder).isDir()) {
            const QString problem = unreadable(folder);
            return fail(ExitBadFile,
                        problem.isEmpty() ? QStringLiteral("%1 is not a folder").arg(native(folder))
                                          : problem);
        }
        QString reason;
        if (!DeviceBackup::read(folder, &m_restoreFrom, &reason))
            return fail(ExitBadFile,
                        QStringLiteral("%1 is no backup: %2").arg(native(folder), reason));
        f.insert(QStringLiteral("backup"), backupJson(m_restoreFrom));
        return ExitSuccess;
    }
    if (c == QLatin1String("pictures read")) {
        m_folder = QDir(o.args.value(0)).absolutePath();
        f.insert(QStringLiteral("folder"), m_folder);
        if (QFileInfo(m_folder).exists() && !QFileInfo(m_folder).isDir())
            return fail(ExitBadFile, QStringLiteral("%1 is not a folder").arg(native(m_folder)));
        // Nothing is read from the device that could not be kept.
        QString reason;
        if (!folderIsWritable(m_folder, &reason)) {
            return fail(ExitBadFile,
                        QStringLiteral("cannot write into %1: %2").arg(native(m_folder), reason));
        }
        return ExitSuccess;
    }
    if (c == QLatin1String("pictures write")) {
        m_folder = QDir(o.args.value(0)).absolutePath();
        f.insert(QStringLiteral("folder"), m_folder);
        if (o.hasSlotList) {
            QString error;
            m_slots = parseSlots(o.slotText, &error);
            if (!error.isEmpty())
                return fail(ExitUsage, error);
        }
        if (!QFileInfo(m_folder).isDir())
            return fail(ExitBadFile, QStringLiteral("%1 is not a folder").arg(native(m_folder)));
        for (int slot : qAsConst(m_slots)) {
            const QString problem
                    = unreadable(QDir(m_folder).filePath(QStringLiteral("%1.bmp").arg(slot)));
            if (!problem.isEmpty())
                return fail(ExitBadFile, problem);
        }
        return ExitSuccess;
    }
    if (c == QLatin1String("params set")) {
        const QString keys
                = QStringLiteral("brightness, puff, coil1..coil5, coil1.value..coil5.value");
        for (const QString &argument : o.args) {
            const int equals = argument.indexOf(QLatin1Char('='));
            if (equals <= 0) {
                return fail(ExitUsage,
                            QStringLiteral("'%1': give KEY=VALUE (keys: %2)").arg(argument, keys));
            }
            const QString key = argument.left(equals).trimmed().toLower();
            const QString value = argument.mid(equals + 1).trimmed();
            int row = -1;
            bool valueKey = false;
            for (int r = 0; r < ParameterRecord::CoilCount; ++r) {
                if (key == QStringLiteral("coil%1").arg(r + 1)) {
                    row = r;
                } else if (key == QStringLiteral("coil%1.value").arg(r + 1)) {
                    row = r;
                    valueKey = true;
                }
            }
            const bool numberKey = key == QLatin1String("brightness")
                                   || key == QLatin1String("puff") || valueKey;
            if (!numberKey && row < 0)
                return fail(ExitUsage,
                            QStringLiteral("unknown key '%1' (keys: %2)").arg(key, keys));
            if (!numberKey) {
                if (value != QLatin1String("on") && value != QLatin1String("off"))
                    return fail(ExitUsage, QStringLiteral("%1=%2: give on or off").arg(key, value));
                m_coilOn[row] = value == QLatin1String("on");
                continue;
            }
            int number = 0;
            if (!parseWholeNumber(value, &number))
                return fail(ExitUsage, QStringLiteral("%1: %2").arg(key, notWholeNumber(value)));
            int minimum = 0;
            int maximum = 0;
            bool inRange = false;
            if (key == QLatin1String("brightness")) {
                minimum = ParameterRecord::BrightnessMin;
                maximum = ParameterRecord::BrightnessMax;
                inRange = ParameterRecord::brightnessInRange(number);
                m_brightness = number;
            } else if (key == QLatin1String("puff")) {
                minimum = ParameterRecord::PuffMinSeconds;
                maximum = ParameterRecord::PuffMaxSeconds;
                inRange = ParameterRecord::puffInRange(number);
                m_puff = number;
            } else {
                const CoilValueRange range = ParameterRecord::coilRange(row);
                minimum = range.minimum;
                maximum = range.maximum;
                inRange = ParameterRecord::coilValueInRange(row, number);
                m_coilValue[row] = number;
            }
            if (!inRange) {
                return fail(ExitUsage, QStringLiteral("%1=%2 is out of range %3..%4")
                                               .arg(key, value)
                                               .arg(minimum)
                                               .arg(maximum));
            }
        }
        return ExitSuccess;
    }
    if (c.startsWith(QLatin1String("curves "))) {
        const QString kind = o.args.value(0);
        if (kind == QLatin1String("power"))
            m_temperature = false;
        else if (kind != QLatin1String("temp"))
            return fail(ExitUsage, QStringLiteral("'%1': give temp or power").arg(kind));
        if (!m_temperature && o.hasUnit)
            return fail(ExitUsage, QStringLiteral("--unit applies to temperature curves"));
        m_unit = o.unit == QLatin1String("C") ? TemperatureUnit::Celsius
                                              : TemperatureUnit::Fahrenheit;
        if (o.args.size() > 1) {
            const QString text = o.args.at(1);
            if (!parseWholeNumber(text, &m_group))
                return fail(ExitUsage, QStringLiteral("group: %1").arg(notWholeNumber(text)));
            if (m_group < 1 || m_group > CurveSet::GroupCount)
                return fail(ExitUsage, QStringLiteral("group %1 is out of range 1..%2")
                                               .arg(text)
                                               .arg(CurveSet::GroupCount));
            m_group -= 1;
        }
        if (c == QLatin1String("curves get"))
            return ExitSuccess;
        const QStringList texts = o.args.value(2).split(QLatin1Char(','));
        if (texts.size() != CurveSet::PointCount) {
            return fail(ExitUsage, QStringLiteral("give %1 values separated by commas, not %2")
                                           .arg(CurveSet::PointCount)
                                           .arg(texts.size()));
        }
        for (int point = 0; point < CurveSet::PointCount; ++point) {
            int value = 0;
            const QString text = texts.at(point).trimmed();
            if (!parseWholeNumber(text, &value))
                return fail(ExitUsage, notWholeNumber(text));
            if (m_temperature && !CurveSet::temperatureInRange(value, m_unit)) {
                return fail(ExitUsage,
                            QStringLiteral("%1 is out of range %2..%3 (%4)")
                                    .arg(value)
                                    .arg(CurveSet::temperatureMin(m_unit))
                                    .arg(CurveSet::temperatureMax(m_unit))
                                    .arg(m_unit == TemperatureUnit::Celsius ? "C" : "F"));
            }
            if (!m_temperature && (value < 0 || value > 0xFFFF))
                return fail(ExitUsage, QStringLiteral("%1 is out of range (W)").arg(value));
            m_points[point] = quint16(value);
        }
        return ExitSuccess;
    }
    if (c == QLatin1String("clock set")) {
        m_time = QDateTime::currentDateTime();
        if (!o.args.isEmpty()) {
            const QString text = o.args.join(QLatin1Char(' '))
                                         .trimmed()
                                         .replace(QLatin1Char('T'), QLatin1Char(' '));
            m_time = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            if (!m_time.isValid()) {
                return fail(ExitUsage,
                            QStringLiteral("'%1': give the time as YYYY-MM-DD HH:MM:SS").arg(text));
            }
            if (m_time.date().year() < 2000 || m_time.date().year() > 2099) {
                return fail(ExitUsage, QStringLiteral("year %1 is out of range 2000..2099")
                                               .arg(m_time.date().year()));
            }
        }
        m_time = m_time.addMSecs(-m_time.time().msec());
        return ExitSuccess;
    }
    if (c == QLatin1String("resource save")) {
        const QString file = o.args.value(0);
        f.insert(QStringLiteral("file"), file);
        f.insert(QStringLiteral("sections"),
                 QJsonArray::fromStringList(ResourceFile::sectionNames(o.sections)));
        const QFileInfo target(file);
        if (!target.absoluteDir().exists()) {
            return fail(ExitBadFile, QStringLiteral("cannot write %1: no folder %2")
                                             .arg(native(file), native(target.absolutePath())));
        }
        if (target.exists() && !target.isFile())
            return fail(ExitBadFile, QStringLiteral("%1 is not a file").arg(native(file)));
        // Nothing is read from the device that could not be kept.
        QString reason;
        if (!folderIsWritable(target.absolutePath(), &reason))
            return fail(ExitBadFile,
                        QStringLiteral("cannot write %1: %2").arg(native(file), reason));
        if (!o.picturesFrom.isEmpty()) {
            if (!(o.sections & ResourceFile::PictureSection))
                return fail(ExitUsage,
                            QStringLiteral("--pictures-from needs the pictures section"));
            if (!QFileInfo(o.picturesFrom).isDir()) {
                return fail(ExitBadFile,
                            QStringLiteral("%1 is not a folder").arg(native(o.picturesFrom)));
            }
        }
        return ExitSuccess;
    }
    if (c == QLatin1String("resource load")) {
        const QString file = o.args.value(0);
        f.insert(QStringLiteral("file"), file);
        f.insert(QStringLiteral("sections"),
                 QJsonArray::fromStringList(ResourceFile::sectionNames(o.sections)));
        const QString problem = unreadable(file);
        if (!problem.isEmpty())
            return fail(ExitBadFile, problem);
        return ExitSuccess;
    }
    return ExitSuccess;
}

int Commands::runWithoutDevice(QJsonObject &fields)
{
    if (o.command == QLatin1String("list"))
        return list(fields);
    if (o.command == QLatin1String("backups"))
        return backupList(fields);
    return inspect(fields);
}

void Commands::start(Task &t)
{
    const QString &c = o.command;
    if (c == QLatin1String("info"))
        info(t);
    else if (c == QLatin1String("upgrade"))
        upgrade(t);
    else if (c == QLatin1String("pictures read"))
        picturesRead(t);
    else if (c == QLatin1String("pictures write"))
        picturesWrite(t);
    else if (c == QLatin1String("params get"))
        paramsGet(t);
    else if (c == QLatin1String("params set"))
        paramsSet(t);
    else if (c == QLatin1String("curves get"))
        curvesGet(t);
    else if (c == QLatin1String("curves set"))
        curvesSet(t);
    else if (c == QLatin1String("clock get"))
        clockGet(t);
    else if (c == QLatin1String("clock set"))
        clockSet(t);
    else if (c == QLatin1String("factory-reset"))
        factoryReset(t);
    else if (c == QLatin1String("resource save"))
        resourceSave(t);
    else if (c == QLatin1String("resource load"))
        resourceLoad(t);
    else if (c == QLatin1String("backup"))
        backup(t);
    else if (c == QLatin1String("restore"))
        restore(t);
    else
        t.finish(t.fail(ExitUsage, QStringLiteral("unknown command '%1'").arg(c)));
}

// --- without a device ----------------------------------------------------------------------------

int Commands::list(QJsonObject &fields)
{
    const auto present = [this]() {
        return m_runner.manager().backend()->enumerate(KorlexVendorId, KorlexProductId);
    };
    QVector<HidDeviceInfo> entries = present();
    if (entries.isEmpty() && o.waitSeconds > 0) {
        m_runner.waitUntil([&]() {
            entries = present();
            return !entries.isEmpty();
        });
    }
    QJsonArray devices;
    for (const HidDeviceInfo &entry : qAsConst(entries))
        devices.append(Runner::deviceJson(entry));
    fields.insert(QStringLiteral("devices"), devices);
    if (m_runner.signal())
        return ExitSignalBase + m_runner.signal();
    if (entries.isEmpty() && o.waitSeconds > 0)
        return fail(ExitNoDevice, QStringLiteral("no device found within %1 s").arg(o.waitSeconds));

    QVector<QStringList> rows{{QStringLiteral("PATH"), QStringLiteral("PORT"),
                               QStringLiteral("MODE"), QStringLiteral("PRODUCT"),
                               QStringLiteral("SERIAL")}};
    const auto orDash = [](const QString &text) {
        return text.isEmpty() ? QStringLiteral("-") : text;
    };
    for (const QJsonValue &value : qAsConst(devices)) {
        const QJsonObject device = value.toObject();
        rows.append({device.value(QStringLiteral("path")).toString(),
                     orDash(device.value(QStringLiteral("location")).toString()),
                     device.value(QStringLiteral("mode")).toString(),
                     orDash(device.value(QStringLiteral("product")).toString()),
                     orDash(device.value(QStringLiteral("serial")).toString())});
    }
    QVector<int> widths(5, 0);
    for (const QStringList &row : qAsConst(rows)) {
        for (int column = 0; column < 5; ++column)
            widths[column] = qMax(widths[column], row.at(column).size());
    }
    for (const QStringList &row : qAsConst(rows)) {
        QString line;
        for (int column = 0; column < 5; ++column)
            line += column < 4 ? row.at(column).leftJustified(widths[column] + 2) : row.at(column);
        out.result(line);
    }
    return ExitSuccess;
}

int Commands::inspect(QJsonObject &fields)
{
    const QString file = o.args.value(0);
    fields.insert(QStringLiteral("file"), file);
    const QString problem = unreadable(file);
    if (!problem.isEmpty())
        return fail(ExitBadFile, problem);
    // A user resource file is text that begins with its identity.
    QStringList lines;
    QFile in(file);
    if (in.size() < 16 * 1024 * 1024 && in.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream stream(&in);
        while (!stream.atEnd())
            lines << stream.readLine();
    }
    const bool identified
            = ResourceFile::readLines(lines, 0, 0, 0).identity != ResourceFile::Identity::Corrupted;
    if (file.endsWith(QLatin1String(".ct_user"), Qt::CaseInsensitive) || identified)
        return inspectResourceFile(file, lines, fields);
    return inspectUpgradeFile(file, fields);
}

int Commands::inspectUpgradeFile(const QString &file, QJsonObject &f)
{
    UpgradeImage image;
    const QString notAnImage = upgradeLoadProblem(UpgradeImage::fromFile(file, &image), file);
    if (!notAnImage.isEmpty())
        return fail(ExitBadFile, notAnImage);
    const qint64 fileBytes = QFileInfo(file).size();
    const DeviceModel model = deviceModelOf(image.targetId, deviceModels());
    const bool any = image.targetId == AnyDeviceTargetId;
    f.insert(QStringLiteral("kind"), QStringLiteral("upgrade"));
    f.insert(QStringLiteral("targetId"), hex16(image.targetId));
    f.insert(QStringLiteral("anyDevice"), any);
    f.insert(QStringLiteral("knownModel"), model.known);
    if (model.known) {
        f.insert(QStringLiteral("productName"), model.productName);
        f.insert(QStringLiteral("modelCode"), model.modelCode);
        f.insert(QStringLiteral("groupCode"), model.groupCode);
        f.insert(QStringLiteral("powerMin"), model.powerMin);
        f.insert(QStringLiteral("powerMax"), model.powerMax);
    }
    f.insert(QStringLiteral("fileBytes"), double(fileBytes));
    f.insert(QStringLiteral("bytes"), double(image.size()));
    f.insert(QStringLiteral("blocks"), image.blockCount());
    f.insert(QStringLiteral("byteSum"), QStringLiteral("0x%1")
                                                .arg(image.byteSum(), 8, 16, QLatin1Char('0'))
                                                .toUpper()
                                                .replace(QLatin1String("0X"), QLatin1String("0x")));
    out.result(QStringLiteral("File:        %1").arg(native(file)));
    out.result(QStringLiteral("Kind:        upgrade file"));
    out.result(QStringLiteral("Target:      %1")
                       .arg(any ? QStringLiteral("any device (%1)").arg(hex16(image.targetId))
                                : hex16(image.targetId)));
    out.result(QStringLiteral("Model:       %1")
                       .arg(model.known ? QStringLiteral("%1, %2, %3, %4..%5 W")
                                                  .arg(model.productName, model.modelCode,
                                                       model.groupCode)
                                                  .arg(model.powerMin)
                                                  .arg(model.powerMax)
                                        : QStringLiteral("(not in the model table)")));
    out.result(QStringLiteral("Size:        %1 bytes (image %2 bytes)")
                       .arg(fileBytes)
                       .arg(image.size()));
    out.result(QStringLiteral("Blocks:      %1 of 512 bytes").arg(image.blockCount()));
    out.result(
            QStringLiteral("Byte sum:    %1").arg(f.value(QStringLiteral("byteSum")).toString()));
    return ExitSuccess;
}

int Commands::inspectResourceFile(const QString &file, const QStringList &lines, QJsonObject &f)
{
    f.insert(QStringLiteral("kind"), QStringLiteral("resource"));
    out.result(QStringLiteral("File:        %1").arg(native(file)));
    out.result(QStringLiteral("Kind:        user resource file"));
    // The file names its device; read against that device, its lines say what they hold.
    ResourceFile::ReadResult read = ResourceFile::readLines(lines, 0, 0, ResourceFile::AllSections);
    if (read.identity == ResourceFile::Identity::Corrupted) {
        const QString problem
                = read.identityLine > 0
                          ? QStringLiteral("line %1: damaged identity line").arg(read.identityLine)
                          : QStringLiteral("no identity line: not a user resource "
                                           "file");
        f.insert(QStringLiteral("problems"), QJsonArray{problem});
        return fail(ExitBadFile, QStringLiteral("%1: %2").arg(native(file), problem));
    }
    const quint16 id = read.identity == ResourceFile::Identity::OtherDevice ? read.fileDeviceId : 0;
    const int pictures = PictureSet::slotCount(screenFormatOf(id));
    read = ResourceFile::readLines(lines, id, pictures, ResourceFile::AllSections);
    f.insert(QStringLiteral("deviceId"), hex16(id));
    out.result(
            QStringLiteral("Identity:    %1 (line %2)").arg(deviceText(id)).arg(read.identityLine));

    QVector<int> pictureSlots;
    QVector<int> tempGroups;
    QVector<int> powerGroups;
    QStringList problems;
    const auto lineText = [](int line) {
        return line > 0 ? QStringLiteral("line %1").arg(line) : QStringLiteral("end of file");
    };
    for (const ResourceFile::Entry &entry : read.entries) {
        switch (entry.kind) {
        case ResourceFile::Entry::Picture:
            if (ResourceFile::pictureImage(entry.picture).isNull())
                problems << QStringLiteral("%1: picture %2 is no picture")
                                    .arg(lineText(entry.line))
                                    .arg(entry.index + 1);
            else
                pictureSlots << entry.index + 1;
            break;
        case ResourceFile::Entry::TempCurve:
            tempGroups << entry.index + 1;
            break;
        case ResourceFile::Entry::PowerCurve:
            powerGroups << entry.index + 1;
            break;
        case ResourceFile::Entry::PictureCorrupted:
            problems << QStringLiteral("%1: picture %2 is damaged")
                                .arg(lineText(entry.line))
                                .arg(entry.index + 1);
            break;
        case ResourceFile::Entry::TempCorrupted:
            problems << QStringLiteral("%1: temperature group %2 is damaged")
                                .arg(lineText(entry.line))
                                .arg(entry.index + 1);
            break;
        case ResourceFile::Entry::PowerCorrupted:
            problems << QStringLiteral("%1: power group %2 is damaged")
                                .arg(lineText(entry.line))
                                .arg(entry.index + 1);
            break;
        }
    }
    QStringList sections;
    bool hasPictures = false;
    bool hasTemp = false;
    bool hasPower = false;
    for (const ResourceFile::Entry &entry : read.entries) {
        const bool picture = entry.kind == ResourceFile::Entry::Picture
                             || entry.kind == ResourceFile::Entry::PictureCorrupted;
        const bool temp = entry.kind == ResourceFile::Entry::TempCurve
                          || entry.kind == ResourceFile::Entry::TempCorrupted;
        hasPictures = hasPictures || picture;
        hasTemp = hasTemp || temp;
        hasPower = hasPower || (!picture && !temp);
    }
    if (hasPictures)
        sections << QStringLiteral("pictures");
    if (hasTemp)
        sections << QStringLiteral("temp");
    if (hasPower)
        sections << QStringLiteral("power");
    f.insert(QStringLiteral("sections"), QJsonArray::fromStringList(sections));
    f.insert(QStringLiteral("pictures"), numbers(pictureSlots));
    f.insert(QStringLiteral("tempGroups"), numbers(tempGroups));
    f.insert(QStringLiteral("powerGroups"), numbers(powerGroups));
    f.insert(QStringLiteral("problems"), QJsonArray::fromStringList(problems));
    out.result(QStringLiteral("Sections:    %1")
                       .arg(sections.isEmpty() ? QStringLiteral("none")
                                               : sections.join(QStringLiteral(", "))));
    if (hasPictures)
        out.result(QStringLiteral("Pictures:    %1").arg(slotRanges(pictureSlots)));
    if (hasTemp)
        out.result(QStringLiteral("Temp groups: %1").arg(slotRanges(tempGroups)));
    if (hasPower)
        out.result(QStringLiteral("Power groups: %1").arg(slotRanges(powerGroups)));
    for (const QString &problem : qAsConst(problems))
        out.result(QStringLiteral("Damaged:     %1").arg(problem));
    if (!problems.isEmpty()) {
        return fail(
                ExitBadFile,
                QStringLiteral("%1: %2 damaged line(s)").arg(native(file)).arg(problems.size()));
    }
    return ExitSuccess;
}

// --- on a device ---------------------------------------------------------------------------------

bool Commands::needRecord(Task &t)
{
    if (t.device() && t.device()->hasRecord())
        return true;
    t.finish(t.fail(ExitNoAnswer, QStringLiteral("the device did not send its parameters and "
                                                 "curves")));
    return false;
}

void Commands::shortJob(Task &t, Job *job, const QString &what,
                        std::function<void(Task &t)> succeeded)
{
    t.stateAfterInterrupt = [&t, what]() {
        return t.jobsStarted() ? QStringLiteral("%1 may or may not have reached the device: check "
                                                "it")
                                         .arg(what)
                               : QString();
    };
    t.run(job, nullptr, [&t, what, succeeded](const JobResult &r) {
        if (r.succeeded()) {
            succeeded(t);
            t.finish(ExitSuccess);
            return;
        }
        QString sentence = causeSentence(r);
        if (r.cause == JobCause::NoAnswer)
            sentence = QStringLiteral("the device did not answer ") + what;
        else if (r.cause == JobCause::DeviceStop)
            sentence = QStringLiteral("the device refused %1 (STOP)").arg(what);
        t.finishFailed(r, sentence);
    });
}

void Commands::info(Task &t)
{
    t.connect(true, [&t]() {
        const DeviceIdentity &s = t.device()->identity();
        QJsonObject &f = t.fields();
        const QString mode
                = s.isBootLoader() ? QStringLiteral("bootloader") : QStringLiteral("firmware");
        f.insert(QStringLiteral("mode"), mode);
        f.insert(QStringLiteral("product"), s.productString);
        f.insert(QStringLiteral("answered"), s.answered);
        t.result(QStringLiteral("Device:            %1 (%2, %3)")
                         .arg(t.device()->place(), mode, s.productString));
        if (!s.answered) {
            t.result(QStringLiteral("The boot loader does not answer the information request; it "
                                    "waits for firmware (korlex-cli upgrade FILE)."));
            t.finish(ExitSuccess);
            return;
        }
        const bool known = s.model.known;
        const int format = s.screenFormat();
        f.insert(QStringLiteral("deviceId"), hex16(s.id));
        f.insert(QStringLiteral("productName"), s.model.productName);
        f.insert(QStringLiteral("modelCode"), s.model.modelCode);
        f.insert(QStringLiteral("groupCode"), s.model.groupCode);
        f.insert(QStringLiteral("chipId"), s.chipId);
        f.insert(QStringLiteral("firmwareVersion"), s.firmwareVersion);
        f.insert(QStringLiteral("softwareVersion"), s.softwareVersion);
        f.insert(QStringLiteral("serial"), s.serial);
        f.insert(QStringLiteral("screenFormat"), screenKey(format));
        f.insert(QStringLiteral("pictureCount"), s.pictureCount());
        f.insert(QStringLiteral("knownModel"), known);
        const QString unknown = QStringLiteral("(not in the model table)");
        t.result(
                QStringLiteral("Product name:      %1").arg(known ? s.model.productName : unknown));
        t.result(QStringLiteral("Model code:        %1").arg(known ? s.model.modelCode : unknown));
        t.result(QStringLiteral("Group code:        %1").arg(known ? s.model.groupCode : unknown));
        t.result(QStringLiteral("Chip id:           %1").arg(known ? s.chipId : unknown));
        t.result(QStringLiteral("Firmware version:  %1")
                         .arg(s.firmwareVersion.isEmpty() ? QStringLiteral("(not reported)")
                                                          : s.firmwareVersion));
        t.result(QStringLiteral("Software version:  %1").arg(s.softwareVersion));
        t.result(QStringLiteral("Serial:            %1").arg(s.serial));
        t.result(QStringLiteral("Device id:         %1").arg(hex16(s.id)));
        t.result(QStringLiteral("Screen format:     %1").arg(screenText(format)));
        t.result(QStringLiteral("Picture count:     %1").arg(s.pictureCount()));
        t.finish(ExitSuccess);
    });
}

int Commands::restartLimitMs() const
{
    return o.restartTimeoutSeconds >= 0 ? o.restartTimeoutSeconds * 1000
                                        : m_runner.manager().timing().restartWaitMs;
}

void Commands::upgrade(Task &t)
{
    const QString file = native(o.args.value(0));
    t.stateAfterInterrupt = [this, &t]() {
        return upgradeState(t);
    };
    t.connect(true, [this, &t, file]() {
        const DeviceIdentity &identity = t.device()->identity();
        t.fields().insert(QStringLiteral("firmwareBefore"), identity.firmwareVersion);
        switch (m_image.matches(identity)) {
        case UpgradeImage::Match::Fits:
            break;
        case UpgradeImage::Match::WrongDevice:
            t.fields().insert(QStringLiteral("cause"), jobCauseKey(JobCause::WrongDevice));
            t.finish(t.fail(ExitRefused, QStringLiteral("%1 is for device %2, the device is %3")
                                                 .arg(file, deviceText(m_image.targetId),
                                                      deviceText(identity.id))));
            return;
        case UpgradeImage::Match::Unchecked:
            if (!o.force) {
                t.fields().insert(QStringLiteral("cause"), jobCauseKey(JobCause::TargetUnchecked));
                t.finish(t.fail(ExitRefused,
                                QStringLiteral("the device at %1 is a boot loader that does not "
                                               "name its device, so %2 cannot be checked against "
                                               "it; the file is for %3: if the device is one, run "
                                               "again with --force")
                                        .arg(t.place(), file, deviceText(m_image.targetId))));
                return;
            }
            t.note(QStringLiteral("sending %1 (for %2) to a boot loader that does not name its "
                                  "device (--force)")
                           .arg(file, deviceText(m_image.targetId)));
            break;
        }
        const QString what = identity.isUnnamedBootLoader()
                                     ? QStringLiteral("a boot loader")
                                     : deviceText(identity.id)
                                               + (identity.isBootLoader()
                                                          ? QStringLiteral(" in its boot loader")
                                                          : QString());
        t.info(QStringLiteral("Upgrading the device at %1, %2, with %3: %4 bytes in %5 blocks")
                       .arg(t.place(), what, file)
                       .arg(m_image.size())
                       .arg(m_image.blockCount()));
        const QString firmware
                = identity.firmwareVersion.isEmpty()
                          ? QString()
                          : QStringLiteral(", firmware %1").arg(identity.firmwareVersion);
        const bool backup = o.backup && identity.answered && !identity.isBootLoader();
        t.confirm(QStringLiteral("upgrade the device at %1 (%2%3) with %4%5%6")
                          .arg(t.place(), what, firmware, file,
                               backup ? QStringLiteral(", after a backup of it") : QString(),
                               backup && o.restore ? QStringLiteral(", and restore what it "
                                                                    "no longer holds")
                                                   : QString()),
                  [this, &t, file]() {
                      if (o.dryRun) {
                          t.fields().insert(QStringLiteral("dryRun"), true);
                          t.fields().insert(QStringLiteral("backup"), QJsonValue());
                          t.fields().insert(QStringLiteral("backupSkipped"),
                                            QStringLiteral("dryRun"));
                          t.result(QStringLiteral("Dry run: %1 fits the device at %2; nothing was "
                                                  "sent and no backup made")
                                           .arg(file, t.place()));
                          t.finish(ExitSuccess);
                          return;
                      }
                      backupBeforeUpgrade(t);
                  });
    });
}

void Commands::backupBeforeUpgrade(Task &t)
{
    QJsonObject &f = t.fields();
    const DeviceIdentity &identity = t.device()->identity();
    if (!o.backup || !identity.answered || identity.isBootLoader()) {
        f.insert(QStringLiteral("backup"), QJsonValue());
        f.insert(QStringLiteral("backupSkipped"),
                 o.backup ? QStringLiteral("bootLoader") : QStringLiteral("noBackup"));
        if (o.backup) {
            t.note(QStringLiteral("the device at %1 is in its boot loader: its settings and "
                                  "pictures cannot be read, so no backup is made")
                           .arg(t.place()));
        }
        startUpgrade(t);
        return;
    }
    m_upgrades[&t].stage = UpgradeStage::Backup;
    t.info(QStringLiteral("Making a backup of the device at %1 in %2")
                   .arg(t.place(), native(m_backupRoot)));
    auto *job = new BackupJob(t.device(), m_backupRoot);
    t.run(job, nullptr, [this, &t, job](const JobResult &r) {
        if (!r.succeeded()) {
            t.fields().insert(QStringLiteral("backup"), QJsonValue());
            t.finishFailed(r, QStringLiteral("no backup was made, so the upgrade did not start: "
                                             "%1 (--no-backup upgrades without a backup)")
                                      .arg(backupFailure(r)));
            return;
        }
        m_upgrades[&t].backup = job->backup();
        t.fields().insert(QStringLiteral("backup"), backupJson(job->backup()));
        t.result(QStringLiteral("Backup made: %1").arg(native(job->backup().folder)));
        startUpgrade(t);
    });
}

void Commands::startUpgrade(Task &t)
{
    m_upgrades[&t].stage = UpgradeStage::Upgrade;
    UpgradeOptions options;
    options.allowUncheckedTarget = o.force;
    options.restartTimeoutMs = restartLimitMs();
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    t.run(
            new UpgradeJob(t.device(), m_image, options),
            [](JobPhase phase, int done, int total) {
                if (phase != JobPhase::Writing || total <= 0)
                    return phaseText(phase);
                return QStringLiteral("writing block %1 of %2")
                        .arg(qMin(done + 1, total))
                        .arg(total);
            },
            [this, &t, clock](const JobResult &r) { upgradeFinished(t, r, clock->elapsed()); });
}

void Commands::upgradeFinished(Task &t, const JobResult &r, qint64 elapsedMs)
{
    QJsonObject &f = t.fields();
    f.insert(QStringLiteral("elapsedMs"), double(elapsedMs));
    f.insert(QStringLiteral("blocksSent"), r.blocksSent);
    f.insert(QStringLiteral("outcome"), jobOutcomeKey(r.outcome));
    f.insert(QStringLiteral("verdict"), upgradeVerdictKey(r.verdict));
    f.insert(QStringLiteral("acknowledged"), r.acknowledged);
    f.insert(QStringLiteral("verified"), r.succeeded());
    const QString file = native(o.args.value(0));
    if (r.succeeded()) {
        f.insert(QStringLiteral("firmwareAfter"), r.firmwareAfter);
        t.result(QStringLiteral("Upgrade successful: the device runs firmware %1")
                         .arg(r.firmwareAfter));
        const std::optional<DeviceBackup> backup = m_upgrades[&t].backup;
        if (backup)
            compareWithBackup(t, *backup);
        else
            t.finish(ExitSuccess);
        return;
    }
    if (r.outcome == JobOutcome::Unverified) {
        t.recordCause(r);
        t.setResultWord(QStringLiteral("unverified"));
        t.finish(t.fail(ExitNoAnswer,
                        QStringLiteral("upgrade not verified: the device took the image but did "
                                       "not come back within %1 s (--restart-timeout); it may "
                                       "still be restarting: look with korlex-cli list, then "
                                       "korlex-cli info")
                                .arg(restartLimitMs() / 1000.0)));
        return;
    }
    QString message = QStringLiteral("upgrade failed: ") + causeSentence(r);
    const bool inBootLoader = r.step == JobStep::Erase || r.step == JobStep::Block
                              || r.step == JobStep::Finish
                              || r.cause == JobCause::StayedInBootLoader;
    if (inBootLoader && r.cause != JobCause::Stopped)
        message += QStringLiteral("; the device waits in its boot loader: run korlex-cli upgrade "
                                  "%1 to recover it")
                           .arg(file);
    t.finishFailed(r, message);
}

void Commands::compareWithBackup(Task &t, const DeviceBackup &backup)
{
    m_upgrades[&t].stage = UpgradeStage::Compare;
    t.info(QStringLiteral("Comparing the device with its backup"));
    auto *job = new BackupCompareJob(t.device(), backup);
    t.run(job, nullptr, [this, &t, job, backup](const JobResult &r) {
        const QString later = restoreCommand(t, backup);
        if (!r.succeeded()) {
            t.finishFailed(r, QStringLiteral("the upgrade succeeded, but the device could not be "
                                             "compared with its backup: %1; %2 gives back what it "
                                             "held")
                                      .arg(causeSentence(r), later));
            return;
        }
        const QStringList keys = job->differences();
        t.fields().insert(QStringLiteral("differences"), QJsonArray::fromStringList(keys));
        if (keys.isEmpty()) {
            t.result(QStringLiteral("The device still holds what its backup holds"));
            t.finish(ExitSuccess);
            return;
        }
        t.result(QStringLiteral("The device now differs from its backup in: %1")
                         .arg(differenceText(keys)));
        if (!o.restore) {
            t.fields().insert(QStringLiteral("restored"), false);
            t.result(QStringLiteral("To give it back: %1").arg(later));
            t.finish(ExitSuccess);
            return;
        }
        m_upgrades[&t].stage = UpgradeStage::Restore;
        restoreBackup(t, backup);
    });
}

QString Commands::restoreCommand(Task &t, const DeviceBackup &backup) const
{
    QString device;
    if (!o.device.isEmpty())
        device = QStringLiteral("--device %1 ").arg(shellQuoted(o.device));
    else if (o.all)
        device = QStringLiteral("--device %1 ").arg(shellQuoted(t.place()));
    return QStringLiteral("korlex-cli %1restore %2")
            .arg(device, shellQuoted(native(backup.folder)));
}

QString Commands::backupFailure(const JobResult &r) const
{
    if (r.cause == JobCause::File) {
        return QStringLiteral("cannot write the backup into %1: %2")
                .arg(native(m_backupRoot),
                     r.error.isEmpty() ? QStringLiteral("a file could not be written") : r.error);
    }
    return QStringLiteral("reading the device failed: ") + causeSentence(r);
}

QString Commands::upgradeState(Task &t)
{
    const UpgradeSteps &steps = m_upgrades[&t];
    switch (steps.stage) {
    case UpgradeStage::Before:
        return QString();
    case UpgradeStage::Backup:
        return QStringLiteral("the device was not changed and no backup was made");
    case UpgradeStage::Upgrade:
        break;
    case UpgradeStage::Compare:
    case UpgradeStage::Restore: {
        const QString restore = restoreCommand(t, *steps.backup);
        return QStringLiteral("the upgrade was completed: the device runs firmware %1; ")
                       .arg(t.fields().value(QStringLiteral("firmwareAfter")).toString())
               + (steps.stage == UpgradeStage::Compare
                          ? QStringLiteral("it was not compared with its backup: %1 gives back "
                                           "what it held")
                                    .arg(restore)
                          : QStringLiteral("its backup was partly restored: run %1").arg(restore));
    }
    }
    const JobResult &r = t.lastResult();
    if (!t.jobsStarted())
        return QString();
    if (r.kind != JobKind::Upgrade) {
        return steps.backup ? QStringLiteral("the device was not changed; its backup is in %1")
                                      .arg(native(steps.backup->folder))
                            : QStringLiteral("the device was not changed");
    }
    const QString recover = QStringLiteral("run korlex-cli upgrade %1 to recover it")
                                    .arg(native(o.args.value(0)));
    if (r.succeeded())
        return QStringLiteral("the upgrade was completed: the device runs firmware %1")
                .arg(r.firmwareAfter);
    switch (r.step) {
    case JobStep::Erase:
        return QStringLiteral("the device waits in its boot loader and its firmware may have been "
                              "erased: ")
               + recover;
    case JobStep::Block:
    case JobStep::Finish:
        return QStringLiteral("the device waits in its boot loader without its firmware: ")
               + recover;
    case JobStep::Restart:
        if (r.cause == JobCause::StayedInBootLoader)
            return QStringLiteral("the device waits in its boot loader: ") + recover;
        return r.acknowledged ? QStringLiteral("the device took the new firmware and is "
                                               "restarting: check it with korlex-cli info")
                              : QStringLiteral("the device is restarting after the image: check "
                                               "it with korlex-cli info; if it stays in its boot "
                                               "loader, ")
                                        + recover;
    default:
        break;
    }
    // Stopped before the erase: the device may have gone into its boot loader meanwhile.
    HidDeviceInfo now;
    Device *target = t.device();
    if (!target || !findPlugged(*m_runner.manager().backend(), target->entry(), &now))
        return QStringLiteral("the device is restarting into its boot loader; once it is back, ")
               + recover;
    if (productKindOf(now.product) == ProductKind::BootLoader)
        return QStringLiteral("the device waits in its boot loader (its firmware was not "
                              "erased): ")
               + recover;
    return QStringLiteral("the device was not changed");
}

void Commands::picturesRead(Task &t)
{
    t.connect(false, [this, &t]() {
        t.stateAfterInterrupt = [this, &t]() {
            return QStringLiteral("nothing on the device was changed; pictures %1 were saved in %2")
                    .arg(slotRanges(t.lastResult().doneSlots()), native(m_folder));
        };
        t.run(
                new PictureReadJob(t.device(), m_folder),
                [](JobPhase phase, int done, int total) {
                    return pictureProgress("reading", phase, done, total);
                },
                [this, &t](const JobResult &r) {
                    QJsonArray files;
                    QJsonArray failed;
                    for (const SlotResult &slot : r.pictureSlots) {
                        if (slot.done) {
                            files.append(QJsonObject{{QStringLiteral("slot"), slot.slot},
                                                     {QStringLiteral("file"), slot.file}});
                            t.result(native(slot.file));
                        } else {
                            failed.append(
                                    QJsonObject{{QStringLiteral("slot"), slot.slot},
                                                {QStringLiteral("cause"), jobCauseKey(slot.cause)},
                                                {QStringLiteral("error"), slot.error}});
                        }
                    }
                    t.fields().insert(QStringLiteral("files"), files);
                    t.fields().insert(QStringLiteral("failed"), failed);
                    if (r.succeeded()) {
                        t.finish(ExitSuccess);
                        return;
                    }
                    if (r.cause == JobCause::NotSupported) {
                        const int format = t.device()->identity().screenFormat();
                        t.finishFailed(r, QStringLiteral("this device (%1 screen) does not send "
                                                         "its pictures")
                                                  .arg(screenText(format)));
                        return;
                    }
                    QString message
                            = QStringLiteral("reading the pictures failed: ") + causeSentence(r);
                    if (!r.doneSlots().isEmpty())
                        message += QStringLiteral("; saved: %1").arg(slotRanges(r.doneSlots()));
                    t.finishFailed(r, message);
                });
    });
}

void Commands::picturesWrite(Task &t)
{
    t.connect(false, [this, &t]() {
        const DeviceIdentity &identity = t.device()->identity();
        const int format = identity.screenFormat();
        const int count = identity.pictureCount();
        if (count == 0) {
            t.finish(t.fail(ExitRefused, QStringLiteral("the device has no pictures")));
            return;
        }
        QVector<int> all;
        for (int slot = 1; slot <= count; ++slot)
            all.append(slot);
        const QVector<int> slotList = o.hasSlotList ? m_slots : all;
        // The slots asked for must be those a write to the device's screen sends.
        PictureSet set(format, QString());
        set.clearMarks();
        for (int slot : slotList) {
            if (slot > count) {
                t.finish(t.fail(ExitUsage,
                                QStringLiteral("--slots: this device has slots 1..%1").arg(count)));
                return;
            }
            set.mark(slot - 1);
        }
        QVector<int> sent;
        for (int slot : set.slotsToWrite())
            sent << slot + 1;
        if (sent != slotList) {
            t.finish(t.fail(ExitUsage, QStringLiteral("--slots: this device (%1 screen) takes "
                                                      "pictures %2 at once")
                                               .arg(screenText(format), slotRanges(sent))));
            return;
        }
        // Every file must make a picture the device takes before anything is sent.
        QVector<PictureInput> inputs;
        for (int slot : slotList) {
            const QString path = QDir(m_folder).filePath(QStringLiteral("%1.bmp").arg(slot));
            const QString problem = unreadable(path);
            if (!problem.isEmpty()) {
                t.finish(t.fail(ExitBadFile, problem));
                return;
            }
            if (!pictureFileConverts(path, format)) {
                t.finish(t.fail(ExitBadFile, QStringLiteral("%1 is not a %2 picture")
                                                     .arg(native(path), screenText(format))));
                return;
            }
            inputs.append(PictureInput{slot - 1, path});
        }
        t.fields().insert(QStringLiteral("slots"), numbers(slotList));
        t.confirm(QStringLiteral("write pictures %1 from %2 to the device at %3")
                          .arg(slotRanges(slotList), native(m_folder), t.place()),
                  [this, &t, inputs, slotList]() {
                      if (o.dryRun) {
                          t.fields().insert(QStringLiteral("dryRun"), true);
                          t.result(QStringLiteral("Dry run: pictures %1 from %2 fit the device at "
                                                  "%3; nothing was sent")
                                           .arg(slotRanges(slotList), native(m_folder), t.place()));
                          t.finish(ExitSuccess);
                          return;
                      }
                      t.stateAfterInterrupt = [&t]() {
                          const QVector<int> written = t.lastResult().doneSlots();
                          return written.isEmpty()
                                         ? QStringLiteral("no picture was written; the device "
                                                          "shows its pictures as before")
                                         : QStringLiteral("pictures %1 were written, the others "
                                                          "are as before: run the command again "
                                                          "to write them")
                                                   .arg(slotRanges(written));
                      };
                      t.run(
                              new PictureWriteJob(t.device(), inputs),
                              [](JobPhase phase, int done, int total) {
                                  return pictureProgress("writing", phase, done, total);
                              },
                              [this, &t](const JobResult &r) {
                                  QJsonArray failed;
                                  QStringList notWritten;
                                  for (const SlotResult &slot : r.pictureSlots) {
                                      if (slot.done)
                                          continue;
                                      JobResult one;
                                      one.cause = slot.cause;
                                      one.step = JobStep::Picture;
                                      one.detail = slot.slot;
                                      one.error = slot.error;
                                      failed.append(QJsonObject{
                                              {QStringLiteral("slot"), slot.slot},
                                              {QStringLiteral("cause"), jobCauseKey(slot.cause)},
                                              {QStringLiteral("file"), slot.file},
                                              {QStringLiteral("error"), slot.error}});
                                      notWritten << QStringLiteral("%1 (%2)").arg(
                                              QString::number(slot.slot), causeSentence(one));
                                  }
                                  t.fields().insert(QStringLiteral("written"),
                                                    numbers(r.doneSlots()));
                                  t.fields().insert(QStringLiteral("failed"), failed);
                                  if (r.succeeded()) {
                                      t.result(QStringLiteral("Wrote pictures %1 from %2")
                                                       .arg(slotRanges(r.doneSlots()),
                                                            native(m_folder)));
                                      t.finish(ExitSuccess);
                                      return;
                                  }

                                  t.result(QStringLiteral("Written: %1")
                                                   .arg(r.doneSlots().isEmpty()
                                                                ? QStringLiteral("none")
                                                                : slotRanges(r.doneSlots())));
                                  t.result(QStringLiteral("Not written: %1")
                                                   .arg(notWritten.join(QStringLiteral(", "))));
                                  t.finishFailed(r,
                                                 QStringLiteral("writing the pictures failed: "
                                                                "%1; written: %2; not written: %3")
                                                         .arg(causeSentence(r),
                                                              r.doneSlots().isEmpty()
                                                                      ? QStringLiteral("none")
                                                                      : slotRanges(r.doneSlots()),
                                                              slotRanges(r.failedSlots())));
                              });
                  });
    });
}

void Commands::printParameters(Task &t, const ParameterRecord &record)
{
    QJsonArray coils;
    t.result(QStringLiteral("brightness=%1").arg(record.brightness));
    t.result(QStringLiteral("puff=%1").arg(record.puffSeconds()));
    for (int row = 0; row < ParameterRecord::CoilCount; ++row) {
        const bool on = record.coilOn[row];
        t.result(QStringLiteral("coil%1=%2").arg(row + 1).arg(on ? "on" : "off"));
        t.result(QStringLiteral("coil%1.value=%2").arg(row + 1).arg(record.coilValues[row]));
        coils.append(QJsonObject{{QStringLiteral("coil"), row + 1},
                                 {QStringLiteral("on"), on},
                                 {QStringLiteral("value"), int(record.coilValues[row])}});
    }
    t.fields().insert(QStringLiteral("brightness"), int(record.brightness));
    t.fields().insert(QStringLiteral("puff"), record.puffSeconds());
    t.fields().insert(QStringLiteral("coils"), coils);
}

void Commands::paramsGet(Task &t)
{
    t.connect(false, [this, &t]() {
        if (!needRecord(t))
            return;
        const ParameterRecord &record = t.device()->parameters();
        t.fields().insert(QStringLiteral("puffReported"), int(record.puff));
        printParameters(t, record);
        t.finish(ExitSuccess);
    });
}

void Commands::paramsSet(Task &t)
{
    t.connect(false, [this, &t]() {
        if (!needRecord(t))
            return;
        // The keys not named go back as the device reported them.
        ParameterRecord record = t.device()->parameters();
        const int reported = record.puffSeconds();
        for (int row = 0; row < ParameterRecord::CoilCount; ++row) {
            if (m_coilOn[row])
                record.coilOn[row] = *m_coilOn[row];
            if (m_coilValue[row])
                record.coilValues[row] = quint16(*m_coilValue[row]);
        }
        if (m_brightness)
            record.brightness = quint16(*m_brightness);
        if (m_puff)
            record.setPuffSeconds(*m_puff);
        const ParameterRecord written = record.forWrite();
        if (!m_puff && written.puffSeconds() != reported) {
            t.note(QStringLiteral("the device reports a puff time of %1 s, outside %2..%3; %4 s "
                                  "is written")
                           .arg(reported)
                           .arg(ParameterRecord::PuffMinSeconds)
                           .arg(ParameterRecord::PuffMaxSeconds)
                           .arg(written.puffSeconds()));
        }
        auto *job = new ParametersWriteJob(t.device(), written);
        shortJob(t, job, QStringLiteral("the parameters"),
                 [this, job](Task &t) { printParameters(t, job->written()); });
    });
}

void Commands::curvesGet(Task &t)
{
    t.connect(false, [this, &t]() {
        if (!needRecord(t))
            return;
        const CurveSet &curves = t.device()->curves();
        const QString unit = m_temperature
                                     ? (m_unit == TemperatureUnit::Celsius ? QStringLiteral("C")
                                                                           : QStringLiteral("F"))
                                     : QStringLiteral("W");
        QJsonArray groups;
        for (int group = 0; group < CurveSet::GroupCount; ++group) {
            if (m_group >= 0 && group != m_group)
                continue;
            const CurveSet::Points points
                    = m_temperature ? curves.temperaturesIn(group, m_unit) : curves.powers[group];
            QStringList texts;
            QJsonArray values;
            for (quint16 value : points) {
                texts << QString::number(value);
                values.append(int(value));
            }
            t.result(QStringLiteral("group %1 (%2): %3")
                             .arg(group + 1)
                             .arg(unit, texts.join(QLatin1Char(','))));
            groups.append(QJsonObject{{QStringLiteral("group"), group + 1},
                                      {QStringLiteral("values"), values}});
        }
        t.fields().insert(QStringLiteral("kind"), m_temperature ? "temp" : "power");
        t.fields().insert(QStringLiteral("unit"), unit);
        t.fields().insert(QStringLiteral("groups"), groups);
        t.finish(ExitSuccess);
    });
}

void Commands::curvesSet(Task &t)
{
    t.connect(false, [this, &t]() {
        CurveSet curves = t.device()->curves();
        CurveSet::Write write;
        if (m_temperature) {
            curves.setTemperaturesIn(m_group, m_points, m_unit);
            write = curves.temperatureWrite(m_group, m_unit);
        } else {
            // The model's power range is known once the device has named itself.
            for (quint16 value : m_points) {
                if (!curves.powerInRange(value)) {
                    t.finish(t.fail(ExitUsage, QStringLiteral("%1 is out of range %2..%3 (W) of "
                                                              "this device")
                                                       .arg(value)
                                                       .arg(curves.powerMin)
                                                       .arg(curves.powerMax)));
                    return;
                }
            }
            curves.setPowers(m_group, m_points);
            write = curves.powerWrite(m_group);
        }
        const QString unit = m_temperature
                                     ? (m_unit == TemperatureUnit::Celsius ? QStringLiteral("C")
                                                                           : QStringLiteral("F"))
                                     : QStringLiteral("W");
        shortJob(t, new CurveWriteJob(t.device(), write), QStringLiteral("the curve"),
                 [this, write, unit](Task &t) {
                     QJsonArray values;
                     QStringList shown;
                     for (quint16 value : write.points) {
                         values.append(int(value));
                         shown << QString::number(value);
                     }
                     t.fields().insert(QStringLiteral("kind"), m_temperature ? "temp" : "power");
                     t.fields().insert(QStringLiteral("group"), m_group + 1);
                     t.fields().insert(QStringLiteral("unit"), unit);
                     t.fields().insert(QStringLiteral("values"), values);
                     t.result(QStringLiteral("group %1 (%2): %3")
                                      .arg(m_group + 1)
                                      .arg(unit, shown.join(QLatin1Char(','))));
                 });
    });
}

void Commands::clockGet(Task &t)
{
    t.connect(false, [this, &t]() {
        auto *job = new ClockReadJob(t.device());
        shortJob(t, job, QStringLiteral("the clock request"), [job](Task &t) {
            const std::array<quint8, 6> c = job->clock();
            const QString text = QStringLiteral("20%1-%2-%3 %4:%5:%6")
                                         .arg(c[0], 2, 10, QLatin1Char('0'))
                                         .arg(c[1], 2, 10, QLatin1Char('0'))
                                         .arg(c[2], 2, 10, QLatin1Char('0'))
                                         .arg(c[3], 2, 10, QLatin1Char('0'))
                                         .arg(c[4], 2, 10, QLatin1Char('0'))
                                         .arg(c[5], 2, 10, QLatin1Char('0'));
            t.fields().insert(QStringLiteral("clock"), text);
            t.result(text);
        });
    });
}

void Commands::clockSet(Task &t)
{
    t.connect(false, [this, &t]() {
        auto *job = new ClockWriteJob(t.device(), m_time);
        shortJob(t, job, QStringLiteral("the clock"), [job](Task &t) {
            const QString text = job->time().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            t.fields().insert(QStringLiteral("clock"), text);
            t.result(QStringLiteral("Clock set to %1").arg(text));
        });
    });
}

void Commands::factoryReset(Task &t)
{
    t.connect(false, [&t, this]() {
        t.confirm(QStringLiteral("restore the factory settings of the device at %1").arg(t.place()),
                  [this, &t]() {
                      shortJob(t, new FactoryResetJob(t.device()),
                               QStringLiteral("the factory reset"), [](Task &t) {
                                   t.result(QStringLiteral("Factory settings restored"));
                               });
                  });
    });
}

void Commands::resourceSave(Task &t)
{
    t.connect(false, [this, &t]() {
        const bool curves = o.sections & (ResourceFile::TempSection | ResourceFile::PowerSection);
        if (curves && !needRecord(t))
            return;
        const bool pictures = (o.sections & ResourceFile::PictureSection)
                              && t.device()->identity().hasPictures();
        // The pictures the device holds: read from it, or from the folder given.
        saveResource(t, !pictures                  ? ResourcePictures::Set
                        : o.picturesFrom.isEmpty() ? ResourcePictures::Device
                                                   : ResourcePictures::Folder);
    });
}

void Commands::saveResource(Task &t, ResourcePictures source)
{
    const QString file = o.args.value(0);
    const bool pictures
            = (o.sections & ResourceFile::PictureSection) && t.device()->identity().hasPictures();
    QString from;
    if (source == ResourcePictures::Folder) {
        from = QStringLiteral("the pictures of %1").arg(native(o.picturesFrom));
        t.fields().insert(QStringLiteral("pictureSource"), QStringLiteral("folder"));
    } else if (source == ResourcePictures::Device) {
        from = QStringLiteral("the device's pictures");
        t.fields().insert(QStringLiteral("pictureSource"), QStringLiteral("device"));
    } else if (pictures) {
        // A device that does not send its pictures: the file holds what its picture set
        // holds, and says which slots are built-in pictures.
        const PictureSet &set = t.device()->pictures();
        QVector<int> builtIn;
        for (int slot = 0; slot < set.count(); ++slot) {
            if (set.isDefault(slot))
                builtIn << slot + 1;
        }
        t.fields().insert(QStringLiteral("pictureSource"), QStringLiteral("pictureSet"));
        t.fields().insert(QStringLiteral("builtInPictures"), numbers(builtIn));
        from = QStringLiteral("the pictures of %1").arg(native(set.folder()));
        if (!builtIn.isEmpty()) {
            t.note(QStringLiteral("this device (%1 screen) does not send its pictures: slots %2 "
                                  "hold the built-in pictures (--pictures-from DIR takes others)")
                           .arg(screenText(t.device()->identity().screenFormat()),
                                slotRanges(builtIn)));
            from = QStringLiteral("built-in pictures for slots %1").arg(slotRanges(builtIn));
        }
    }
    t.run(new ResourceSaveJob(t.device(), file, o.sections, source, o.picturesFrom),
          source == ResourcePictures::Device
                  ? Task::ProgressText([](JobPhase phase, int done, int total) {
                        return pictureProgress("reading", phase, done, total);
                    })
                  : Task::ProgressText(),
          [this, &t, file, from, pictures, source](const JobResult &r) {
              if (r.succeeded()) {
                  QStringList parts = ResourceFile::sectionNames(o.sections);
                  if (pictures)
                      parts.replace(0, QStringLiteral("pictures: %1").arg(from));
                  t.result(QStringLiteral("Saved %1 (%2)")
                                   .arg(native(file), parts.join(QStringLiteral(", "))));
                  t.finish(ExitSuccess);
                  return;
              }
              if (source == ResourcePictures::Device && r.cause == JobCause::NotSupported) {
                  saveResource(t, ResourcePictures::Set);
                  return;
              }
              QString message;
              if (r.cause == JobCause::File && r.step == JobStep::File)
                  message = QStringLiteral("cannot write %1: %2").arg(native(file), r.error);
              else if (r.cause == JobCause::PictureFile)
                  message = QStringLiteral("%1 not saved: picture %2 (%3) is no picture")
                                    .arg(native(file))
                                    .arg(r.detail)
                                    .arg(native(QDir(o.picturesFrom)
                                                        .filePath(QStringLiteral("%1.bmp").arg(
                                                                r.detail))));
              else
                  message = QStringLiteral("%1 not saved: reading the device's pictures failed: "
                                           "%2")
                                    .arg(native(file), causeSentence(r));
              t.finishFailed(r, message);
          });
}

void Commands::resourceLoad(Task &t)
{
    t.connect(false, [this, &t]() {
        // Every check first, nothing stored: a file for another device or without its identity
        // is refused before anything is asked or changed.
        auto *check = new ResourceLoadJob(t.device(), o.args.value(0), o.sections);
        check->setDryRun(true);
        t.run(check, nullptr, [this, &t, check](const JobResult &r) {
            const QString file = native(o.args.value(0));
            if (r.cause == JobCause::WrongDevice) {
                t.recordCause(r);
                t.finish(t.fail(ExitRefused, QStringLiteral("%1 is for device %2, the device is %3")
                                                     .arg(file, deviceText(check->fileDeviceId()),
                                                          deviceText(t.device()->identity().id))));
                return;
            }
            if (r.cause == JobCause::Damaged) {
                t.recordCause(r);
                t.finish(t.fail(ExitBadFile,
                                check->identityLine() > 0
                                        ? QStringLiteral("%1: line %2: damaged identity line")
                                                  .arg(file)
                                                  .arg(check->identityLine())
                                        : QStringLiteral("%1: not a user resource file (no "
                                                         "identity line)")
                                                  .arg(file)));
                return;
            }
            if (!r.succeeded()) {

                t.finishFailed(r, QStringLiteral("cannot load %1: %2").arg(file, causeSentence(r)));
                return;
            }
            QStringList parts;
            if (!check->storedPictures().isEmpty()) {
                QVector<int> loaded;
                for (int slot : check->storedPictures())
                    loaded << slot + 1;
                parts << QStringLiteral("pictures %1").arg(slotRanges(loaded));
            }
            if (!check->loadedTemperatureGroups().isEmpty())
                parts << QStringLiteral("%1 temperature group(s)")
                                 .arg(check->loadedTemperatureGroups().size());
            if (!check->loadedPowerGroups().isEmpty())
                parts << QStringLiteral("%1 power group(s)").arg(check->loadedPowerGroups().size());
            t.confirm(QStringLiteral("write %1 from %2 to the device at %3")
                              .arg(parts.isEmpty() ? QStringLiteral("nothing")
                                                   : parts.join(QStringLiteral(", ")),
                                   file, t.place()),
                      [this, &t, check]() { loadResource(t, check); });
        });
    });
}

void Commands::loadResource(Task &t, ResourceLoadJob *check)
{
    const QString file = native(o.args.value(0));
    const auto problemsOf = [](const ResourceLoadJob &job) {
        QStringList problems;
        const auto lineText = [](int line) {
            return line > 0 ? QStringLiteral("line %1").arg(line) : QStringLiteral("end of file");
        };
        for (const ResourceLoadEvent &event : job.events()) {
            switch (event.kind) {
            case ResourceLoadEvent::PictureCorrupted:
                problems << QStringLiteral("%1: picture %2 is damaged")
                                    .arg(lineText(event.line))
                                    .arg(event.index + 1);
                break;
            case ResourceLoadEvent::PictureUnwritable:
                problems << QStringLiteral("cannot save picture %1: %2")
                                    .arg(event.index + 1)
                                    .arg(event.error);
                break;
            case ResourceLoadEvent::TempCorrupted:
                problems << QStringLiteral("%1: temperature group %2 is damaged")
                                    .arg(lineText(event.line))
                                    .arg(event.index + 1);
                break;
            case ResourceLoadEvent::PowerCorrupted:
                problems << QStringLiteral("%1: power group %2 is damaged")
                                    .arg(lineText(event.line))
                                    .arg(event.index + 1);
                break;
            default:
                break;
            }
        }
        return problems;
    };
    if (o.dryRun) {
        const QStringList problems = problemsOf(*check);
        t.fields().insert(QStringLiteral("dryRun"), true);
        t.fields().insert(QStringLiteral("problems"), QJsonArray::fromStringList(problems));
        t.result(QStringLiteral("Dry run: %1 fits the device at %2; nothing was stored or sent")
                         .arg(file, t.place()));
        for (const QString &problem : problems)
            t.note(problem);
        t.finish(problems.isEmpty() ? ExitSuccess
                                    : t.fail(ExitBadFile, QStringLiteral("%1: %2 damaged line(s) "
                                                                         "would not be loaded")
                                                                  .arg(file)
                                                                  .arg(problems.size())));
        return;
    }
    t.stateAfterInterrupt = [&t]() {
        return QStringLiteral("part of the file may have been written to the device: run the "
                              "command again");
    };
    auto *load = new ResourceLoadJob(t.device(), o.args.value(0), o.sections);
    t.run(load, nullptr, [this, &t, load, file, problemsOf](const JobResult &r) {
        if (!r.succeeded()) {

            t.finishFailed(r, QStringLiteral("cannot load %1: %2").arg(file, causeSentence(r)));
            return;
        }
        const QStringList problems = problemsOf(*load);
        for (const ResourceLoadEvent &event : load->events()) {
            if (event.kind == ResourceLoadEvent::PictureNotStored)
                t.note(QStringLiteral("picture %1 not stored: the device has no serial number")
                               .arg(event.index + 1));
        }
        QVector<int> pictures;
        QVector<PictureInput> inputs;
        for (const ResourceLoadEvent &event : load->events()) {
            if (event.kind == ResourceLoadEvent::PictureStored) {
                pictures << event.index + 1;
                inputs.append(PictureInput{event.index, event.file});
            }
        }
        QVector<CurveSet::Write> curves;
        QVector<int> temp;
        QVector<int> power;
        const CurveSet &loaded = t.device()->curves();
        for (int group : load->loadedTemperatureGroups()) {
            temp << group + 1;
            curves << loaded.temperatureWrite(group, TemperatureUnit::Fahrenheit);
        }
        for (int group : load->loadedPowerGroups()) {
            power << group + 1;
            curves << loaded.powerWrite(group);
        }
        QJsonObject &f = t.fields();
        f.insert(QStringLiteral("pictures"), numbers(pictures));
        f.insert(QStringLiteral("tempGroups"), numbers(temp));
        f.insert(QStringLiteral("powerGroups"), numbers(power));
        f.insert(QStringLiteral("problems"), QJsonArray::fromStringList(problems));
        for (const QString &problem : problems)
            t.note(QStringLiteral("%1: %2 (not loaded)").arg(file, problem));
        const int status = problems.isEmpty() ? ExitSuccess : ExitBadFile;
        if (!problems.isEmpty())
            t.fail(ExitBadFile, QStringLiteral("%1: %2 damaged line(s) were not loaded")
                                        .arg(file)
                                        .arg(problems.size()));
        if (inputs.isEmpty()) {
            writeLoaded(t, curves, status);
            return;
        }
        // What was loaded goes to the device: the loaded pictures (a colour screen takes all of
        // its pictures at once), then the curves.
        Job *job = t.device()->identity().screenFormat() == 2
                           ? new PictureWriteJob(t.device())
                           : new PictureWriteJob(t.device(), inputs);
        t.run(
                job,
                [](JobPhase phase, int done, int total) {
                    return pictureProgress("writing", phase, done, total);
                },
                [this, &t, curves, status](const JobResult &written) {
                    if (!written.succeeded()) {

                        t.finishFailed(written,
                                       QStringLiteral("writing the pictures failed: %1; written: "
                                                      "%2")
                                               .arg(causeSentence(written),
                                                    written.doneSlots().isEmpty()
                                                            ? QStringLiteral("none")
                                                            : slotRanges(written.doneSlots())));
                        return;
                    }
                    writeLoaded(t, curves, status);
                });
    });
}

void Commands::writeLoaded(Task &t, QVector<CurveSet::Write> curves, int status)
{
    if (curves.isEmpty()) {
        const QJsonObject &f = t.fields();
        t.result(QStringLiteral("Loaded %1: %2 picture(s), %3 temperature group(s), %4 power "
                                "group(s) written to the device")
                         .arg(native(o.args.value(0)))
                         .arg(f.value(QStringLiteral("pictures")).toArray().size())
                         .arg(f.value(QStringLiteral("tempGroups")).toArray().size())
                         .arg(f.value(QStringLiteral("powerGroups")).toArray().size()));
        t.finish(status);
        return;
    }
    const CurveSet::Write write = curves.takeFirst();
    t.run(new CurveWriteJob(t.device(), write), nullptr,
          [this, &t, curves, status, write](const JobResult &r) {
              if (!r.succeeded()) {

                  t.finishFailed(r, QStringLiteral("writing %1 group %2 failed: %3")
                                            .arg(write.temperature ? "temperature" : "power")
                                            .arg(write.group + 1)
                                            .arg(causeSentence(r)));
                  return;
              }
              writeLoaded(t, curves, status);
          });
}

// --- backups -------------------------------------------------------------------------------------

int Commands::backupList(QJsonObject &f)
{
    // --device names a serial number (a folder of the backups), or a device present, whose
    // information names it.
    QString serial;
    if (!o.device.isEmpty()) {
        const bool folderName = !o.device.contains(QLatin1Char('/'))
                                && o.device != QLatin1String(".")
                                && o.device != QLatin1String("..");
        if (folderName && QFileInfo(QDir(m_backupRoot).filePath(o.device)).isDir()) {
            serial = o.device;
        } else {
            m_runner.manager().scan();
            Device *device = m_runner.manager().find(o.device);
            if (device && !device->isBusy())
                m_runner.connectAll({device});
            if (m_runner.signal())
                return ExitSignalBase + m_runner.signal();
            device = m_runner.manager().find(o.device);
            serial = device && device->identity().answered && !device->identity().serial.isEmpty()
                             ? device->identity().serial
                             : o.device;
        }
        f.insert(QStringLiteral("serial"), serial);
    }
    const QVector<DeviceBackup> backups = serial.contains(QLatin1Char('/'))
                                                  ? QVector<DeviceBackup>()
                                                  : listBackups(m_backupRoot, serial);
    QJsonArray list;
    QVector<QStringList> rows{{QStringLiteral("DATE"), QStringLiteral("SERIAL"),
                               QStringLiteral("MODEL"), QStringLiteral("FIRMWARE"),
                               QStringLiteral("HOLDS"), QStringLiteral("FOLDER")}};
    for (const DeviceBackup &backup : backups) {
        list.append(backupJson(backup));
        rows.append(
                {backup.created.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), backup.serial,
                 backup.modelText(),
                 backup.firmwareVersion.isEmpty() ? QStringLiteral("-") : backup.firmwareVersion,
                 backupHoldings(backup).join(QLatin1Char(',')), native(backup.folder)});
    }
    f.insert(QStringLiteral("backups"), list);
    const int columns = rows.first().size();
    QVector<int> widths(columns, 0);
    for (const QStringList &row : qAsConst(rows)) {
        for (int column = 0; column < columns; ++column)
            widths[column] = qMax(widths[column], row.at(column).size());
    }
    for (const QStringList &row : qAsConst(rows)) {
        QString line;
        for (int column = 0; column < columns; ++column) {
            line += column + 1 < columns ? row.at(column).leftJustified(widths[column] + 2)
                                         : row.at(column);
        }
        out.result(line);
    }
    return ExitSuccess;
}

void Commands::backup(Task &t)
{
    t.connect(false, [this, &t]() {
        t.stateAfterInterrupt = []() {
            return QStringLiteral("nothing on the device was changed, and no backup was made");
        };
        auto *job = new BackupJob(t.device(), m_backupRoot);
        t.run(
                job,
                [](JobPhase phase, int done, int total) {
                    return pictureProgress("reading", phase, done, total);
                },
                [this, &t, job](const JobResult &r) {
                    if (!r.succeeded()) {
                        t.finishFailed(r,
                                       QStringLiteral("no backup was made: ") + backupFailure(r));
                        return;
                    }
                    const DeviceBackup &made = job->backup();
                    t.fields().insert(QStringLiteral("backup"), backupJson(made));
                    t.result(QStringLiteral("Backup made: %1").arg(native(made.folder)));
                    t.result(QStringLiteral("Of %1, serial %2, firmware %3: %4")
                                     .arg(made.modelText(), made.serial,
                                          made.firmwareVersion.isEmpty()
                                                  ? QStringLiteral("(not reported)")
                                                  : made.firmwareVersion,
                                          backupHoldings(made).join(QStringLiteral(", "))));
                    t.finish(ExitSuccess);
                });
    });
}

void Commands::restore(Task &t)
{
    t.connect(false, [this, &t]() {
        const DeviceIdentity &identity = t.device()->identity();
        const DeviceBackup &backup = m_restoreFrom;
        const QString folder = native(backup.folder);
        // Another model's values and pictures mean something else there.
        if (!backup.fits(identity)) {
            t.fields().insert(QStringLiteral("cause"), jobCauseKey(JobCause::WrongDevice));
            t.finish(
                    t.fail(ExitRefused,
                           QStringLiteral("%1 is a backup of %2 with a %3 screen, the device at %4 "
                                          "is %5 with a %6 screen: a backup goes back only to "
                                          "its model")
                                   .arg(folder, backup.modelText(), screenText(backup.screenFormat),
                                        t.place(), modelTextOf(identity),
                                        screenText(identity.screenFormat()))));
            return;
        }
        if (identity.serial != backup.serial) {
            t.note(QStringLiteral("the backup was made of the device with serial number %1, this "
                                  "one has %2")
                           .arg(backup.serial, identity.serial));
        }
        const QString firmware
                = backup.firmwareVersion.isEmpty()
                          ? QString()
                          : QStringLiteral(", firmware %1").arg(backup.firmwareVersion);
        t.confirm(QStringLiteral("restore the backup of %1%2 from %3 to the device at %4")
                          .arg(backup.created.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                               firmware, folder, t.place()),
                  [this, &t, folder]() {
                      if (!o.dryRun) {
                          t.stateAfterInterrupt = [this]() {
                              return QStringLiteral("part of the backup may have been written to "
                                                    "the device: run korlex-cli restore %1 again")
                                      .arg(shellQuoted(native(m_restoreFrom.folder)));
                          };
                          restoreBackup(t, m_restoreFrom);
                          return;
                      }
                      // What a restore would change: the device compared with the backup.
                      t.fields().insert(QStringLiteral("dryRun"), true);
                      auto *job = new BackupCompareJob(t.device(), m_restoreFrom);
                      t.run(job, nullptr, [&t, job, folder](const JobResult &r) {
                          if (!r.succeeded()) {
                              t.finishFailed(r, QStringLiteral("the device could not be compared "
                                                               "with %1: %2")
                                                        .arg(folder, causeSentence(r)));
                              return;
                          }
                          const QStringList keys = job->differences();
                          t.fields().insert(QStringLiteral("differences"),
                                            QJsonArray::fromStringList(keys));
                          t.result(keys.isEmpty()
                                           ? QStringLiteral("Dry run: the device at %1 holds what "
                                                            "%2 holds; nothing was sent")
                                                     .arg(t.place(), folder)
                                           : QStringLiteral("Dry run: the restore would give the "
                                                            "device at %1 back its %2; nothing "
                                                            "was sent")
                                                     .arg(t.place(), differenceText(keys)));
                          t.finish(ExitSuccess);
                      });
                  });
    });
}

void Commands::restoreBackup(Task &t, const DeviceBackup &backup)
{
    t.info(QStringLiteral("Restoring the device at %1 from %2")
                   .arg(t.place(), native(backup.folder)));
    t.run(
            new RestoreJob(t.device(), backup),
            [](JobPhase phase, int done, int total) {
                return pictureProgress("writing", phase, done, total);
            },
            [this, &t, backup](const JobResult &r) {
                QJsonArray notRestored;
                QVector<int> skipped; // pictures that do not fit the device
                QVector<int> failed; // pictures that did not reach it
                JobResult firstFailure;
                for (const SlotResult &slot : r.pictureSlots) {
                    if (slot.done)
                        continue;
                    notRestored.append(
                            QJsonObject{{QStringLiteral("slot"), slot.slot},
                                        {QStringLiteral("cause"), jobCauseKey(slot.cause)},
                                        {QStringLiteral("error"), slot.error}});
                    if (slot.cause == JobCause::PictureFile) {
                        skipped << slot.slot;
                    } else {
                        if (failed.isEmpty()) {
                            firstFailure.cause = slot.cause;
                            firstFailure.step = JobStep::Picture;
                            firstFailure.detail = slot.slot;
                        }
                        failed << slot.slot;
                    }
                }
                QJsonObject &f = t.fields();
                f.insert(QStringLiteral("restored"), r.succeeded());
                f.insert(QStringLiteral("restoredPictures"), numbers(r.doneSlots()));
                f.insert(QStringLiteral("skippedPictures"), notRestored);
                const QString folder = native(backup.folder);
                // The parameters and curves come first: a failure there is the job's cause.
                if (!r.succeeded() && r.cause != JobCause::PictureFile) {
                    t.finishFailed(r,
                                   QStringLiteral("the restore from %1 failed: %2%3")
                                           .arg(folder, causeSentence(r),
                                                r.doneSlots().isEmpty()
                                                        ? QString()
                                                        : QStringLiteral("; pictures restored: "
                                                                         "%1")
                                                                  .arg(slotRanges(r.doneSlots()))));
                    return;
                }
                QStringList parts{QStringLiteral("parameters")};
                if (backup.sections & (ResourceFile::TempSection | ResourceFile::PowerSection))
                    parts << QStringLiteral("temperature and power curves");
                if (!r.doneSlots().isEmpty())
                    parts << QStringLiteral("pictures %1").arg(slotRanges(r.doneSlots()));
                t.result(QStringLiteral("Restored from %1: %2")
                                 .arg(folder, parts.join(QStringLiteral(", "))));
                if (r.succeeded()) {
                    t.finish(ExitSuccess);
                    return;
                }
                int status = ExitSuccess;
                if (!skipped.isEmpty()) {
                    status = t.fail(ExitBadFile,
                                    QStringLiteral("%1 %2 of the backup %3 not fit the device (%4 "
                                                   "screen) and %5 skipped")
                                            .arg(skipped.size() == 1 ? "picture" : "pictures",
                                                 slotRanges(skipped),
                                                 skipped.size() == 1 ? "does" : "do",
                                                 screenText(backup.screenFormat),
                                                 skipped.size() == 1 ? "was" : "were"));
                }
                if (!failed.isEmpty()) {
                    status = qMax(status,
                                  t.fail(exitStatusOf(firstFailure.cause),
                                         QStringLiteral("%1 %2 %3 not restored: %4")
                                                 .arg(failed.size() == 1 ? "picture" : "pictures",
                                                      slotRanges(failed),
                                                      failed.size() == 1 ? "was" : "were",
                                                      causeSentence(firstFailure))));
                }
                t.recordCause(r);
                t.finish(status);
            });
}

} // namespace

int runCli(const QStringList &arguments)
{
    const CliOptions o = parseCommandLine(arguments);
    CliOutput out;
    out.setMode(o.json, o.quiet, o.verbose);
    QJsonObject fields;
    QString error;

    const auto document = [&](int status, Runner *runner) {
        if (!o.json)
            return;
        QJsonObject doc = fields;
        if (runner && !runner->tasks().empty()) {
            if (o.all) {
                QJsonArray devices;
                for (const auto &task : runner->tasks()) {
                    QJsonObject one = task->fields();
                    one.insert(QStringLiteral("ok"), task->status() == ExitSuccess);
                    one.insert(QStringLiteral("exitStatus"), task->status());
                    one.insert(QStringLiteral("result"), task->resultWord());
                    if (task->status() != ExitSuccess)
                        one.insert(QStringLiteral("error"), task->error());
                    devices.append(one);
                }
                doc.insert(QStringLiteral("devices"), devices);
            } else {
                const Task &task = *runner->tasks().front();
                for (auto it = task.fields().begin(); it != task.fields().end(); ++it)
                    doc.insert(it.key(), it.value());
                if (error.isEmpty())
                    error = task.error();
            }
        }
        doc.insert(QStringLiteral("command"),
                   o.command.isEmpty() ? QJsonValue() : QJsonValue(o.command));
        doc.insert(QStringLiteral("ok"), status == ExitSuccess);
        doc.insert(QStringLiteral("exitStatus"), status);
        if (status != ExitSuccess) {
            if (error.isEmpty() && o.all && status != ExitSuccess)
                error = QStringLiteral("%1 device(s) failed").arg([&]() {
                    int failed = 0;
                    for (const auto &task : runner->tasks())
                        failed += task->status() != ExitSuccess ? 1 : 0;
                    return failed;
                }());
            doc.insert(QStringLiteral("error"), error);
        }
        out.document(doc);
    };
    // The end of every run: the document, then a failed write of the output as the status of
    // a run that had nothing worse to report.
    const auto finish = [&](int status, Runner *runner) {
        document(status, runner);
        if (out.failed()) {
            out.message(out.failure());
            if (status == ExitSuccess)
                status = ExitOutput;
        }
        out.logLine(QStringLiteral("exit status %1").arg(status));
        return status;
    };

    if (!o.logFile.isEmpty()) {
        QString reason;
        if (!out.openLog(o.logFile, &reason)) {
            error = QStringLiteral("cannot write the log %1: %2").arg(native(o.logFile), reason);
            out.message(error);
            return finish(ExitBadFile, nullptr);
        }
        out.logLine(QStringLiteral("korlex-cli %1: %2")
                            .arg(QLatin1String(KORLEX_VERSION), arguments.join(QLatin1Char(' '))));
    }
    if (!o.error.isEmpty()) {
        error = o.error;
        out.message(o.error + QStringLiteral(" (see korlex-cli --help)"));
        return finish(ExitUsage, nullptr);
    }
    if (o.help) {
        out.plain(o.command.isEmpty() ? programHelp() : commandHelp(o.command));
        return finish(ExitSuccess, nullptr);
    }
    if (o.version) {
        if (o.json) {
            out.document(QJsonObject{{QStringLiteral("program"), QStringLiteral("korlex-cli")},
                                     {QStringLiteral("version"), QLatin1String(KORLEX_VERSION)}});
            const int status = out.failed() ? ExitOutput : ExitSuccess;
            if (status)
                out.message(out.failure());
            return status;
        }
        out.result(versionText().chopped(1));
        return finish(ExitSuccess, nullptr);
    }

    bool isVirtual = false;
    std::shared_ptr<HidBackend> backend = hidBackendFromEnvironment(&isVirtual, &error);
    if (!backend) {
        out.message(error);
        return finish(ExitUsage, nullptr);
    }
    initArtResources();
    loadDeviceModels();

    Runner runner(o, out, backend);
    runner.manager().setTiming(timingFromEnvironment());
    SignalWatcher watcher([&runner](int signal) { runner.signalled(signal); });
    Commands commands(runner, out);

    int status = commands.prepare(fields);
    if (status == ExitSuccess && !commands.needsDevice()) {
        status = commands.runWithoutDevice(fields);
    } else if (status == ExitSuccess) {
        QVector<Device *> devices;
        status = runner.chooseDevices(&devices, &fields);
        if (status != ExitSuccess) {
            error = fields.take(QStringLiteral("error")).toString();
        } else {
            for (Device *device : qAsConst(devices))
                commands.start(*runner.addTask(device));
            runner.runTasks();
            status = runner.status();
            if (o.all) {
                // One line per device: where it is, how it ended, and why.
                QVector<QStringList> rows{{QStringLiteral("DEVICE"), QStringLiteral("RESULT"),
                                           QStringLiteral("CAUSE")}};
                for (const auto &task : runner.tasks()) {
                    QString result = task->resultWord();
                    if (task->status() != ExitSuccess)
                        result += QStringLiteral(" (%1)").arg(task->status());
                    rows.append(
                            {task->place(), result,
                             task->causeKey().isEmpty() ? QStringLiteral("-") : task->causeKey()});
                }
                int widths[2] = {0, 0};
                for (const QStringList &row : qAsConst(rows)) {
                    widths[0] = qMax(widths[0], row.at(0).size());
                    widths[1] = qMax(widths[1], row.at(1).size());
                }
                for (const QStringList &row : qAsConst(rows)) {
                    out.result(row.at(0).leftJustified(widths[0] + 2)
                               + row.at(1).leftJustified(widths[1] + 2) + row.at(2));
                }
            }
        }
    }
    if (error.isEmpty())
        error = commands.error();
    return finish(status, &runner);
}
