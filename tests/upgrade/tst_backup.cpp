#include "catalogue/devicemodels.h"
#include "pictures/bmp.h"
#include "pictures/resourcefile.h"
#include "support/engine.h"
#include "support/testsupport.h"
#include "upgrade/backup.h"
#include "upgrade/upgradejob.h"

#include <QBuffer>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

namespace {

QStringList linesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines;
    QTextStream in(&file);
    while (!in.atEnd())
        lines << in.readLine();
    return lines;
}

} // namespace

// A backup before an upgrade, and its restore after the device came back with factory settings.
class BackupTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir workDir;
    QString previousDir;

    // A device whose new firmware starts with factory settings, customised beforehand.
    std::shared_ptr<VirtualDevice> customisedDevice(VirtualRig &rig, quint16 id, quint32 serial)
    {
        VirtualDevice::Settings settings = VirtualRig::settingsFor(id, serial);
        settings.factoryAfterUpgrade = true;
        auto device = rig.plug(settings);
        VirtualDevice::Parameters parameters;
        parameters.lcdBright = 77;
        parameters.smokeTime = 600;
        parameters.coilEnabled = {{false, true, false, true, true}};
        parameters.coilValues = {{1100, 6100, 3600, 250, 6500}};
        device->setParameters(parameters);
        device->setTempCurve(1, {{220, 240, 260, 280, 300, 320, 340, 360, 380, 400}});
        device->setPowerCurve(4, {{10, 12, 14, 16, 18, 20, 22, 24, 26, 28}});
        const int bytes = screenFormatOf(id) == 0 ? 512 : 1024;
        for (int slot = 0; slot < 12; ++slot)
            device->setPicture(slot, randomBytes(bytes, quint32(slot * 7 + 3)));
        return device;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(workDir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(workDir.path());
        loadDeviceModelsFrom(QStringLiteral("/nonexistent"));
    }
    void cleanupTestCase() { QDir::setCurrent(previousDir); }

    void upgradeWithBackupThenRestore()
    {
        VirtualRig rig;
        auto device = customisedDevice(rig, 0x1005, 0x91);
        const VirtualDevice::Parameters parameters = device->parameters();
        const auto temperatures = device->tempCurves();
        const auto powers = device->powerCurves();
        QVector<QByteArray> pictures;
        for (int slot = 0; slot < 12; ++slot)
            pictures << device->picture(slot);
        Device *target = rig.connect(QStringLiteral("virtual:1"));
        QVERIFY(target);

        const QString root = QDir::current().filePath(QStringLiteral("backups"));
        BackupJob backup(target, root);
        QVERIFY(runJob(backup));
        QVERIFY2(backup.result().succeeded(), qPrintable(jobCauseKey(backup.result().cause)));
        const DeviceBackup made = backup.backup();
        QVERIFY(made.folder.startsWith(root + QStringLiteral("/91/")));
        QVERIFY(made.folder.endsWith(QStringLiteral("_1.0.3.2.7")));
        QCOMPARE(listBackups(root, QStringLiteral("91")).size(), 1);
        QCOMPARE(listBackups(root).first().parameters, made.parameters);
        QCOMPARE(int(made.parameters.brightness), 77);
        // The backup's file is a user resource file like any other.
        const ResourceFile::ReadResult read = ResourceFile::readLines(
                linesOf(made.resourceFile()), 0x1005, 12, ResourceFile::AllSections);
        QCOMPARE(read.identity, ResourceFile::Identity::Matches);
        QCOMPARE(read.entries.size(), 12 + 5 + 5);

        UpgradeJob upgrade(target, imageFor(0x1005, randomBytes(6 * 512, 21)));
        QVERIFY(runJob(upgrade));
        QCOMPARE(upgrade.result().outcome, JobOutcome::Succeeded);
        QVERIFY(device->parameters().lcdBright != 77);

        BackupCompareJob compare(target, made);
        QVERIFY(runJob(compare));
        QVERIFY(compare.result().succeeded());
        QVERIFY(compare.differences().contains(QStringLiteral("brightness")));
        QVERIFY(compare.differences().contains(QStringLiteral("temp2")));
        QVERIFY(compare.differences().contains(QStringLiteral("power5")));
        QVERIFY(compare.differences().contains(QStringLiteral("picture12")));
        QVERIFY(!compare.differences().contains(QStringLiteral("temp1")));

        RestoreJob restore(target, made);
        QVERIFY(runJob(restore));
        QVERIFY2(restore.result().succeeded(), qPrintable(jobCauseKey(restore.result().cause)));
        QCOMPARE(device->parameters().lcdBright, parameters.lcdBright);
        QCOMPARE(device->parameters().smokeTime, parameters.smokeTime);
        QCOMPARE(device->parameters().coilEnabled, parameters.coilEnabled);
        QCOMPARE(device->parameters().coilValues, parameters.coilValues);
        QCOMPARE(device->tempCurves(), temperatures);
        QCOMPARE(device->powerCurves(), powers);
        for (int slot = 0; slot < 12; ++slot)
            QCOMPARE(device->picture(slot), pictures.at(slot));

        QVERIFY(spinUntil([&]() { return !target->isBusy(); }));
        BackupCompareJob again(target, made);
        QVERIFY(runJob(again));
        QCOMPARE(again.differences(), QStringList());
    }

    void restoreRefusesAnotherModel()
    {
        VirtualRig rig;
        customisedDevice(rig, 0x1005, 0xA1);
        auto other = rig.plug(VirtualRig::settingsFor(0x2001, 0xA2));
        Device *first = rig.connect(QStringLiteral("virtual:1"));
        Device *second = rig.connect(QStringLiteral("virtual:2"));
        QVERIFY(first && second);
        const QString root = QDir::current().filePath(QStringLiteral("refused"));
        BackupJob backup(first, root);
        QVERIFY(runJob(backup));
        other->clearLog();
        RestoreJob restore(second, backup.backup());
        QVERIFY(!restore.start());
        QCOMPARE(restore.result().cause, JobCause::WrongDevice);
        QCOMPARE(other->receivedFrames().size(), 0);
    }

    void failedBackupLeavesNothingBehind()
    {
        VirtualRig rig;
        customisedDevice(rig, 0x1005, 0xB1);
        Device *target = rig.connect(QStringLiteral("virtual:1"));
        QVERIFY(target);
        // The backups' folder cannot be made: a file stands in its place.
        const QString root = QDir::current().filePath(QStringLiteral("unwritable"));
        QFile blocker(root);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        BackupJob backup(target, root);
        QVERIFY(runJob(backup));
        QCOMPARE(backup.result().cause, JobCause::File);
        QVERIFY(!backup.result().error.isEmpty());
        QVERIFY(listBackups(root).isEmpty());
    }

    void picturesThatDoNotFitAreSkipped()
    {
        VirtualRig rig;
        auto device = customisedDevice(rig, 0x1005, 0xC1);
        Device *target = rig.connect(QStringLiteral("virtual:1"));
        QVERIFY(target);
        const QString root = QDir::current().filePath(QStringLiteral("misfit"));
        BackupJob backup(target, root);
        QVERIFY(runJob(backup));
        DeviceBackup made = backup.backup();

        // Picture 3 of the file is replaced by one of the other mono screen's size.
        QStringList lines = linesOf(made.resourceFile());
        QImage tall(64, 128, QImage::Format_Mono);
        tall.fill(1);
        QByteArray bmp;
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(tall.save(&buffer, "BMP"));
        const int line = lines.indexOf(QRegularExpression(QStringLiteral("b2[0-9a-f]+")));
        QVERIFY(line > 0);
        lines[line] = ResourceFile::pictureLine(2, bmp);
        QFile file(made.resourceFile());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text));
        file.write(lines.join(QLatin1Char('\n')).toLatin1() + '\n');
        file.close();

        device->setPicture(0, QByteArray(512, '\0'));
        device->setPicture(2, QByteArray(512, '\0'));
        const QByteArray before = device->picture(2);
        RestoreJob restore(target, made);
        QVERIFY(runJob(restore));
        QCOMPARE(restore.result().cause, JobCause::PictureFile);
        QCOMPARE(restore.result().failedSlots(), QVector<int>{3});
        QCOMPARE(restore.result().doneSlots().size(), 11);
        QCOMPARE(device->picture(2), before);
        QVERIFY(device->picture(0) != QByteArray(512, '\0'));
    }
};

QTEST_GUILESS_MAIN(BackupTest)
#include "tst_backup.moc"
