#include "catalogue/devicemodels.h"
#include "device/devicejobs.h"
#include "pictures/bmp.h"
#include "pictures/picturejobs.h"
#include "pictures/resourcejobs.h"
#include "resources/art/artresources.h"
#include "support/engine.h"
#include "support/testsupport.h"
#include "upgrade/upgradejob.h"
#include "virtualdevice/virtualdevice.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

// The device manager, several devices at once, following a device without its port, and the
// faults of the link's life cycle: disconnect, stop, connections asked for during a job.
class EngineTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir workDir;
    QString previousDir;

private slots:
    void initTestCase()
    {
        QVERIFY(workDir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(workDir.path());
        initArtResources();
        loadDeviceModelsFrom(QStringLiteral("/nonexistent"));
    }
    void cleanupTestCase() { QDir::setCurrent(previousDir); }

    void managerFollowsPlugsAndUnplugs()
    {
        VirtualRig rig;
        auto first = rig.plug(VirtualRig::settingsFor(0x1005, 0x11));
        auto second = rig.plug(VirtualRig::settingsFor(0x2001, 0x22));
        QSignalSpy added(rig.manager.get(), &DeviceManager::deviceAdded);
        QSignalSpy removed(rig.manager.get(), &DeviceManager::deviceRemoved);
        rig.manager->scan();
        QCOMPARE(added.size(), 2);
        QVERIFY(rig.manager->find(QStringLiteral("virtual:2")));
        QCOMPARE(rig.manager->find(QStringLiteral("22")),
                 rig.manager->find(QStringLiteral("virtual:2")));

        second->unplug();
        rig.manager->scan();
        QCOMPARE(removed.size(), 1);
        QCOMPARE(rig.manager->devices().size(), 1);
        second->plugIn();
        rig.manager->scan();
        QCOMPARE(added.size(), 3);
        QCOMPARE(rig.manager->devices().size(), 2);
        // Looking again changes nothing.
        rig.manager->scan();
        QCOMPARE(added.size(), 3);
    }

    void twoUpgradesAndAPictureReadAtOnce()
    {
        VirtualRig rig;
        QVector<std::shared_ptr<VirtualDevice>> devices;
        const quint16 ids[3] = {0x1005, 0x2001, 0x1005};
        for (int i = 0; i < 3; ++i) {
            VirtualDevice::Settings settings = VirtualRig::settingsFor(ids[i], 0x100 + i);
            settings.reportDelayMs = 1;
            devices.append(rig.plug(settings));
        }
        QVector<Device *> targets;
        for (int i = 0; i < 3; ++i) {
            targets.append(rig.connect(QStringLiteral("virtual:%1").arg(i + 1)));
            QVERIFY(targets.last());
        }
        const QByteArray imageA = randomBytes(60 * 512, 1);
        const QByteArray imageB = randomBytes(50 * 512, 2);
        for (int slot = 0; slot < 12; ++slot)
            devices[2]->setPicture(slot, randomBytes(512, quint32(slot + 7)));
        UpgradeJob upgradeA(targets[0], imageFor(0x1005, imageA));
        UpgradeJob upgradeB(targets[1], imageFor(0x2001, imageB));
        PictureReadJob read(targets[2]);
        QVERIFY(upgradeA.start());
        QVERIFY(upgradeB.start());
        QVERIFY(read.start());
        QVERIFY(spinUntil(
                [&]() {
                    return upgradeA.isFinished() && upgradeB.isFinished() && read.isFinished();
                },
                20000));
        QCOMPARE(upgradeA.result().outcome, JobOutcome::Succeeded);
        QCOMPARE(upgradeB.result().outcome, JobOutcome::Succeeded);
        QCOMPARE(read.result().outcome, JobOutcome::Succeeded);
        QCOMPARE(devices[0]->receivedImage(), imageA);
        QCOMPARE(devices[1]->receivedImage(), imageB);
        QCOMPARE(devices[2]->blocksReceived(), 0);
        QCOMPARE(QDir(QStringLiteral("102")).entryList(QDir::Files).size(), 12);
        QCOMPARE(rig.manager->devices().size(), 3);
    }

    void upgradeWithoutPort_data()
    {
        QTest::addColumn<QString>("options");
        QTest::newRow("by serial number") << QStringLiteral("noport");
        QTest::newRow("boot loader without serial number") << QStringLiteral("noport,bootnoserial");
        QTest::newRow("no serial number at all") << QStringLiteral("noport,noserial");
    }
    void upgradeWithoutPort()
    {
        QFETCH(QString, options);
        auto bus
                = VirtualBus::fromEnvironment(QStringLiteral("1005,restart=60,erase=5,") + options);
        DeviceManager manager(bus);
        LinkTiming timing;
        timing.bootWaitRoundMs = 50;
        manager.setTiming(timing);
        // Another device of the family that stays as it is.
        auto other = std::make_shared<VirtualDevice>(VirtualRig::settingsFor(0x2001, 0x77));
        bus->addDevice(other);
        manager.scan();
        QCOMPARE(manager.devices().size(), 2);
        Device *target = manager.devices().first();
        QVERIFY(target->entry().location.isEmpty());
        QSignalSpy connected(target, &Device::connectFinished);
        target->requestConnect();
        QVERIFY(spinUntil([&]() { return !connected.isEmpty(); }));
        const QString pathBefore = target->entry().path;

        const QByteArray image = randomBytes(8 * 512, 3);
        UpgradeJob job(target, imageFor(0x1005, image));
        QVERIFY(job.start());
        // The manager keeps looking meanwhile, as it does in the programs.
        QVERIFY(spinUntil([&]() {
            manager.scan();
            return job.isFinished();
        }));
        QCOMPARE(job.result().outcome, JobOutcome::Succeeded);
        QCOMPARE(bus->device()->receivedImage(), image);
        QCOMPARE(other->blocksReceived(), 0);
        // Still one object for the device, now at its new path.
        manager.scan();
        QCOMPARE(manager.devices().size(), 2);
        QVERIFY(target->entry().path != pathBefore);
        QCOMPARE(target->identity().firmwareVersion, QStringLiteral("1.0.3.2.8"));
    }

    void portlessDevicesNeverTakeAnothersImage()
    {
        // Two devices that the system names neither by port nor by serial number, upgraded at
        // once: each job either follows its own device or stops, never writes to the other.
        auto bus = VirtualBus::fromEnvironment(
                QStringLiteral("1005,restart=60,erase=5,noport,noserial;"
                               "1005,restart=60,erase=5,noport,noserial"));
        DeviceManager manager(bus);
        LinkTiming timing;
        timing.bootWaitRoundMs = 50;
        manager.setTiming(timing);
        manager.scan();
        QCOMPARE(manager.devices().size(), 2);
        QVector<QByteArray> images{randomBytes(6 * 512, 4), randomBytes(6 * 512, 5)};
        std::vector<std::unique_ptr<UpgradeJob>> jobs;
        for (int i = 0; i < 2; ++i) {
            Device *target = manager.devices().at(i);
            QSignalSpy connected(target, &Device::connectFinished);
            target->requestConnect();
            QVERIFY(spinUntil([&]() { return !connected.isEmpty(); }));
            jobs.push_back(std::make_unique<UpgradeJob>(target, imageFor(0x1005, images[i])));
        }
        QVERIFY(jobs[0]->start());
        QVERIFY(jobs[1]->start());
        QVERIFY(spinUntil([&]() { return jobs[0]->isFinished() && jobs[1]->isFinished(); }));
        for (int i = 0; i < 2; ++i) {
            const QByteArray received = bus->devices().at(i)->receivedImage();
            QVERIFY2(images[i].startsWith(received), "a device received another's image");
            const JobResult &result = jobs[i]->result();
            QVERIFY2(result.succeeded() || result.cause == JobCause::Ambiguous,
                     qPrintable(jobCauseKey(result.cause)));
        }
    }

    void disconnectStopsTheJobAndNothingRunsAfter()
    {
        VirtualRig rig;
        VirtualDevice::Settings settings = VirtualRig::settingsFor(0x3000, 0x31);
        settings.reportDelayMs = 1;
        auto device = rig.plug(settings);
        Device *target = rig.connect(QStringLiteral("virtual:1"));
        QVERIFY(target);
        target->pictures().markAll(); // the compiled-in colour set
        PictureWriteJob job(target);
        QVERIFY(job.start());
        QVERIFY(spinUntil([&]() { return job.phase() == JobPhase::WritingPictures; }));
        // A connection asked for now would run after the job, unless the device is disconnected.
        target->requestConnect();
        QElapsedTimer timer;
        timer.start();
        target->disconnectDevice();
        QVERIFY(spinUntil([&]() { return job.isFinished(); }, 1000));
        QVERIFY2(timer.elapsed() < 100, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(job.result().cause, JobCause::Stopped);
        const int opens = rig.bus->opens();
        const int frames = device->receivedFrames().size();
        QTest::qWait(300);
        QCOMPARE(rig.bus->opens(), opens);
        QCOMPARE(device->receivedFrames().size(), frames);
        QVERIFY(!target->link().isOpen());
        QVERIFY(!target->isConnected());
        ClockReadJob clock(target);
        QVERIFY(!clock.start());
        QCOMPARE(clock.result().cause, JobCause::NotConnected);
    }

    void noHandleReopenedAfterADisconnect()
    {
        // Disconnected while the upgrade waits for the boot loader: the boot loader that appears
        // afterwards is never opened.
        VirtualRig rig;
        auto device = rig.plug(VirtualRig::settingsFor(0x1005, 0x41, 300));
        Device *target = rig.connect(QStringLiteral("virtual:1"));
        QVERIFY(target);
        UpgradeJob job(target, imageFor(0x1005, randomBytes(4 * 512, 6)));
        QVERIFY(job.start());
        QVERIFY(spinUntil([&]() { return job.phase() == JobPhase::WaitingForBootLoader; }));
        const int opens = rig.bus->opens();
        const QPointer<Device> alive(target);
        target->disconnectDevice();
        QVERIFY(spinUntil([&]() { return job.isFinished(); }, 1000));
        QCOMPARE(job.result().cause, JobCause::Stopped);
        // The device object may go with the device leaving the bus; nothing opens it again.
        QVERIFY(!alive || !alive->link().isOpen());
        QTest::qWait(500);
        QVERIFY(device->isEnumerated());
        QCOMPARE(device->mode(), VirtualDevice::Mode::BootLoader);
        QCOMPARE(rig.bus->opens(), opens);
    }

    void connectionAskedForDuringAJobRunsOnceAfterIt()
    {
        VirtualRig rig;
        VirtualDevice::Settings settings = VirtualRig::settingsFor(0x1005, 0x51);
        settings.reportDelayMs = 1;
        auto device = rig.plug(settings);
        Device *target = rig.connect(QStringLiteral("virtual:1"));
        QVERIFY(target);
        QStringList events;
        connect(target, &Device::connectFinished, this, [&events]() { events << "connected"; });
        PictureReadJob job(target);
        connect(&job, &Job::finished, this, [&events]() { events << "job"; });
        device->clearLog();
        QVERIFY(job.start());
        for (int i = 0; i < 3; ++i)
            target->requestConnect();
        QVERIFY(spinUntil([&]() { return events.size() >= 2; }));
        QTest::qWait(100);
        QCOMPARE(events, (QStringList{"job", "connected"}));
        QCOMPARE(framesWithCode(*device, 0x36), 1);
        QCOMPARE(quint8(device->receivedFrames().last()[3]), quint8(0x36));
    }

    void shortCommands()
    {
        VirtualRig rig;
        auto device = rig.plug(VirtualRig::settingsFor(0x1005, 0x61));
        Device *target = rig.connect(QStringLiteral("virtual:1"));
        QVERIFY(target && target->hasRecord());

        ParameterRecord record = target->parameters();
        record.brightness = 99;
        record.setPuffSeconds(7);
        record.coilValues[1] = 9000; // outside its range: written at the nearest end
        ParametersWriteJob parameters(target, record);
        QVERIFY(runJob(parameters));
        QVERIFY(parameters.result().succeeded());
        QCOMPARE(int(device->parameters().lcdBright), 99);
        QCOMPARE(int(device->parameters().smokeTime), 700);
        QCOMPARE(int(device->parameters().coilValues[1]), 7000);
        QCOMPARE(target->parameters().brightness, quint16(99));

        // A curve given in Celsius: the device keeps Fahrenheit, and reading it back gives the
        // same Celsius values.
        CurveSet curves = target->curves();
        const CurveSet::Points celsius{100, 120, 150, 180, 200, 220, 250, 280, 300, 315};
        curves.setTemperaturesIn(2, celsius, TemperatureUnit::Celsius);
        CurveWriteJob curve(target, curves.temperatureWrite(2, TemperatureUnit::Celsius));
        QVERIFY(runJob(curve));
        QVERIFY(curve.result().succeeded());
        QCOMPARE(device->tempCurves()[2][0], quint16(200));
        QCOMPARE(device->tempCurves()[2][9], quint16(600));
        QVERIFY(rig.connect(QStringLiteral("virtual:1")));
        QCOMPARE(target->curves().temperaturesIn(2, TemperatureUnit::Celsius), celsius);

        const QDateTime when(QDate(2031, 4, 5), QTime(13, 14, 15));
        ClockWriteJob setClock(target, when);
        QVERIFY(runJob(setClock));
        device->setClock(when); // the virtual clock runs; pin it for the read
        ClockReadJob readClock(target);
        QVERIFY(runJob(readClock));
        QCOMPARE(readClock.dateTime().date(), when.date());
        QCOMPARE(readClock.dateTime().time().hour(), 13);

        // The reset's reply may never come; the device is read again all the same.
        device->setRestoreDefaultsAnswered(false);
        QSignalSpy reconnected(target, &Device::connectFinished);
        FactoryResetJob reset(target);
        QVERIFY(runJob(reset));
        QCOMPARE(reset.result().cause, JobCause::NoAnswer);
        QVERIFY(spinUntil([&]() { return !reconnected.isEmpty(); }));
        QCOMPARE(device->factoryResets(), 1);
        QCOMPARE(target->parameters().brightness, quint16(200));
    }

    void resourceFileSavesWhatTheDeviceHoldsAndLoadsItBack()
    {
        VirtualRig rig;
        auto device = rig.plug(VirtualRig::settingsFor(0x1005, 0x81));
        for (int slot = 0; slot < 12; ++slot)
            device->setPicture(slot, randomBytes(512, quint32(slot + 90)));
        Device *target = rig.connect(QStringLiteral("virtual:1"));
        QVERIFY(target);
        const CurveSet before = target->curves();

        // The pictures read from the device, not whatever the picture folder holds.
        const QString path = QDir::current().filePath(QStringLiteral("all.ct_user"));
        ResourceSaveJob save(target, path, ResourceFile::AllSections, ResourcePictures::Device);
        QVERIFY(runJob(save));
        QVERIFY2(save.result().succeeded(), qPrintable(jobCauseKey(save.result().cause)));

        for (CurveSet::Points &group : target->curves().temperatures)
            group.fill(250);
        target->pictures().clearMarks();
        ResourceLoadJob load(target, path, ResourceFile::AllSections);
        QVERIFY(runJob(load));
        QVERIFY(load.result().succeeded());
        QVERIFY(!load.hasProblems());
        QCOMPARE(load.storedPictures().size(), 12);
        QCOMPARE(target->curves(), before);
        QCOMPARE(target->pictures().writeMask(), target->pictures().allSlotsMask());
        QByteArray lcd(1024, '\0');
        const int size = BMP::bmp8ToLcdColRowData(reinterpret_cast<quint8 *>(lcd.data()),
                                                  target->pictures().file(4), true, lcd.size());
        QCOMPARE(lcd.left(size), device->picture(4));

        // A damaged line changes nothing of its own; the lines after it still load.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
        file.close();
        const int tempLine = lines.indexOf(QStringLiteral("t")) + 3;
        lines[tempLine].replace(5, 2, lines[tempLine].mid(5, 2) == "00" ? "11" : "00");
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(lines.join('\n').toLatin1() + '\n');
        file.close();
        ResourceLoadJob damaged(target, path, ResourceFile::TempSection);
        QVERIFY(runJob(damaged));
        QVERIFY(damaged.hasProblems());
        QCOMPARE(damaged.loadedTemperatureGroups(), (QVector<int>{0, 1, 3, 4}));
        QCOMPARE(damaged.events().at(2).kind, ResourceLoadEvent::TempCorrupted);
        QCOMPARE(damaged.events().at(2).line, tempLine + 1);
    }

    void resourceFileOfAnotherDeviceChangesNothing()
    {
        VirtualRig rig;
        rig.plug(VirtualRig::settingsFor(0x1005, 0x82));
        rig.plug(VirtualRig::settingsFor(0x2001, 0x83));
        Device *first = rig.connect(QStringLiteral("virtual:1"));
        Device *second = rig.connect(QStringLiteral("virtual:2"));
        QVERIFY(first && second);
        const QString path = QDir::current().filePath(QStringLiteral("other.ct_user"));
        ResourceSaveJob save(second, path, ResourceFile::AllSections);
        QVERIFY(runJob(save));
        const CurveSet curves = first->curves();
        const QStringList files = first->pictures().files();
        ResourceLoadJob load(first, path, ResourceFile::AllSections);
        QVERIFY(runJob(load));
        QCOMPARE(load.result().cause, JobCause::WrongDevice);
        QCOMPARE(load.fileDeviceId(), quint16(0x2001));
        QCOMPARE(first->curves(), curves);
        QCOMPARE(first->pictures().files(), files);

        // A folder that cannot be written is reported with the system's reason.
        ResourceSaveJob unwritable(first, QStringLiteral("/proc/korlex.ct_user"),
                                   ResourceFile::TempSection);
        QVERIFY(runJob(unwritable));
        QCOMPARE(unwritable.result().cause, JobCause::File);
        QVERIFY(!unwritable.result().error.isEmpty());
    }

    void celsiusValuesSurviveTheDeviceUnit()
    {
        for (int celsius = 100; celsius <= 315; ++celsius) {
            const quint16 stored = CurveSet::fromUnit(celsius, TemperatureUnit::Celsius);
            QCOMPARE(CurveSet::toUnit(stored, TemperatureUnit::Celsius), celsius);
        }
    }

    void closingStopsAndJoinsEveryWorker()
    {
        auto rig = std::make_unique<VirtualRig>();
        VirtualDevice::Settings settings = VirtualRig::settingsFor(0x1005, 0x71);
        settings.reportDelayMs = 1;
        auto device = rig->plug(settings);
        Device *target = rig->connect(QStringLiteral("virtual:1"));
        QVERIFY(target);
        auto job
                = std::make_unique<UpgradeJob>(target, imageFor(0x1005, randomBytes(100 * 512, 8)));
        QVERIFY(job->start());
        QVERIFY(spinUntil([&]() { return device->blocksReceived() >= 2; }));
        QElapsedTimer timer;
        timer.start();
        rig.reset(); // the manager and its devices go first, as when the program ends
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        const int frames = device->receivedFrames().size();
        QTest::qWait(100);
        QCOMPARE(device->receivedFrames().size(), frames);
        job.reset();
    }
};

QTEST_GUILESS_MAIN(EngineTest)
#include "tst_engine.moc"
