// Benchmarks of the device link: CRC, frame search, and request-reply exchanges against the
// virtual device, with and without the wire time of a full-speed USB HID link (1 ms a report),
// and the jobs of one and of two devices at once.
// Benchmarks with a wire time report "wire_ms" (the reports' time on the wire) and "ratio"
// (measured time / wire time, or / the time the device itself needs).

#include "catalogue/devicemodels.h"
#include "device/commands.h"
#include "device/device.h"
#include "device/devicelink.h"
#include "device/devicemanager.h"
#include "device/frame.h"
#include "pictures/picturejobs.h"
#include "upgrade/upgradejob.h"
#include "virtualdevice/virtualdevice.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

namespace {

void reportWire(benchmark::State &state, double wireMsPerIteration)
{
    state.counters["wire_ms"] = wireMsPerIteration;
}

// A link opened on one virtual device.
struct OpenLink
{
    std::shared_ptr<VirtualDevice> device;
    std::shared_ptr<VirtualBus> bus;
    std::unique_ptr<DeviceLink> link;

    OpenLink(quint16 id, int reportDelayMs, bool bootLoader = false)
    {
        VirtualDevice::Settings settings;
        settings.id = id;
        settings.reportDelayMs = reportDelayMs;
        settings.startInBootLoader = bootLoader;
        settings.eraseDelayMs = 0;
        device = std::make_shared<VirtualDevice>(settings);
        bus = std::make_shared<VirtualBus>(device);
        link = std::make_unique<DeviceLink>(bus);
        link->open(bus->enumerate(KorlexVendorId, KorlexProductId).value(0));
    }
};

template<typename Done>
void spin(Done done)
{
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

// Connects the device of a port and returns it; null when it does not answer.
Device *connected(DeviceManager &manager, const QString &place)
{
    manager.scan();
    Device *device = manager.find(place);
    if (!device)
        return nullptr;
    bool done = false;
    const QMetaObject::Connection watch = QObject::connect(device, &Device::connectFinished, device,
                                                           [&done]() { done = true; });
    device->requestConnect();
    spin([&done]() { return done; });
    QObject::disconnect(watch);
    return device->isConnected() ? device : nullptr;
}

void BM_Crc16(benchmark::State &state)
{
    QByteArray data(int(state.range(0)), '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(i * 31);
    for (auto _ : state)
        benchmark::DoNotOptimize(crc16(data));
    state.SetBytesProcessed(qint64(state.iterations()) * data.size());
}
BENCHMARK(BM_Crc16)->Arg(525)->Arg(4096);

void BM_ExtractFrameWithJunk(benchmark::State &state)
{
    // 576 bytes: junk with stray start bytes, then a full 525-byte frame.
    QByteArray stream;
    for (int i = 0; i < 51; ++i)
        stream.append(char(i % 10 == 0 && i < 50 ? 0x68 : (i % 10 < 6 ? 0x00 : 0x11)));
    stream.append(buildFrame(0x1005, 0x84, QByteArray(516, '\x42')));
    QByteArray out(stream.size(), '\0');
    if (extractFrame(reinterpret_cast<quint8 *>(out.data()),
                     reinterpret_cast<const quint8 *>(stream.constData()), stream.size())
        != 525) {
        state.SkipWithError("the frame was not found");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(extractFrame(reinterpret_cast<quint8 *>(out.data()),
                                              reinterpret_cast<const quint8 *>(stream.constData()),
                                              stream.size()));
    }
    state.SetBytesProcessed(qint64(state.iterations()) * stream.size());
}
BENCHMARK(BM_ExtractFrameWithJunk);

void BM_TransactVirtual(benchmark::State &state)
{
    OpenLink open(0x1005, 0);
    const QByteArray request = Wire::clockReadFrame(0x1005);
    for (auto _ : state)
        benchmark::DoNotOptimize(open.link->transact(request, 3, 500));
}
BENCHMARK(BM_TransactVirtual);

void BM_UpgradeBlockOnWire(benchmark::State &state)
{
    // One full 525-byte block: 9 reports out, 1 report in.
    OpenLink open(0x1005, 1, true);
    const QByteArray image(512 * 4, '\x33');
    open.link->transact(Wire::upgradeEraseFrame(0x1005, image.size()), 3, 3000);
    const QByteArray block = Wire::upgradeBlockFrame(0x1005, image, 0, true);
    for (auto _ : state)
        benchmark::DoNotOptimize(open.link->transact(block, 3, 800));
    reportWire(state, 10.0);
}
BENCHMARK(BM_UpgradeBlockOnWire)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(200);

void BM_MonoPictureSetOnWire(benchmark::State &state)
{
    // Twelve 128 x 32 pictures: one 522-byte frame each (9 reports out, 1 in).
    OpenLink open(0x1005, 1);
    const QByteArray picture(512, '\x0f');
    for (auto _ : state) {
        for (int number = 1; number <= 12; ++number) {
            benchmark::DoNotOptimize(open.link->transact(
                    Wire::monoPictureFrame(0x1005,
                                           reinterpret_cast<const quint8 *>(picture.constData()),
                                           number, true),
                    2, 500));
        }
    }
    reportWire(state, 12 * 10.0);
}
BENCHMARK(BM_MonoPictureSetOnWire)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_ColourPictureSetOnWire(benchmark::State &state)
{
    // Ten 25600-byte pictures: 500 blocks of 525 bytes (9 reports out, 1 in).
    OpenLink open(0x3000, 1);
    const QByteArray picture(25600, '\x5a');
    const auto *bytes = reinterpret_cast<const quint8 *>(picture.constData());
    for (auto _ : state) {
        for (int number = 0; number < 10; ++number) {
            for (int block = 0; block < 50; ++block) {
                benchmark::DoNotOptimize(open.link->transact(
                        Wire::colourPictureFrame(0x3000, bytes + block * 512, 512, number, block),
                        2, 500));
            }
        }
    }
    reportWire(state, 500 * 10.0);
}
BENCHMARK(BM_ColourPictureSetOnWire)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

QByteArray benchImage()
{
    QByteArray image(128 * 1024, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(i * 13 + (i >> 9));
    return image;
}

void BM_Upgrade128KiBOnWire(benchmark::State &state)
{
    // From the first block to the finish: 256 full blocks (10 reports each) and the finish
    // (1 out, 1 in), sent as the upgrade job sends them.
    const QByteArray image = benchImage();
    UpgradeImage upgrade;
    UpgradeImage::fromBytes(image + QByteArray("\x10\x05", 2), &upgrade);
    for (auto _ : state) {
        state.PauseTiming();
        OpenLink open(0x1005, 1, true);
        open.link->transact(Wire::upgradeEraseFrame(0x1005, image.size()), 3, 6000);
        state.ResumeTiming();
        for (int block = 0; block < upgrade.blockCount(); ++block)
            open.link->transact(Wire::upgradeBlockFrame(0x1005, image, block, true), 3, 800);
        open.link->transact(
                Wire::upgradeFinishFrame(0x1005, quint32(image.size()), upgrade.check()), 3, 500);
        state.PauseTiming();
        if (!open.device->lastUpgradeVerified())
            state.SkipWithError("the virtual device did not verify the image");
        state.ResumeTiming();
    }
    reportWire(state, 256 * 10.0 + 2.0);
}
BENCHMARK(BM_Upgrade128KiBOnWire)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_PictureReadJobOnWire(benchmark::State &state)
{
    // The read job for twelve 128 x 32 pictures, saving each to its file: per picture the
    // request (1 report out) and the reply (9 reports in). The files are written beside the
    // transfer, so the job should take the wire time and no more.
    QTemporaryDir folder;
    loadDeviceModelsFrom(QStringLiteral("/nonexistent"));
    VirtualDevice::Settings settings;
    settings.reportDelayMs = 1;
    DeviceManager manager(std::make_shared<VirtualBus>(std::make_shared<VirtualDevice>(settings)));
    Device *device = connected(manager, QStringLiteral("virtual:1"));
    if (!device) {
        state.SkipWithError("no device");
        return;
    }
    for (auto _ : state) {
        PictureReadJob job(device, folder.path());
        job.start();
        spin([&job]() { return job.isFinished(); });
        if (!job.result().succeeded())
            state.SkipWithError("the read job failed");
    }
    reportWire(state, 12 * 10.0);
}
BENCHMARK(BM_PictureReadJobOnWire)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_BootLoaderToErase(benchmark::State &state)
{
    // The whole upgrade job, no device-change notification: from the moment the boot loader
    // has enumerated to the erase command reaching it.
    const QByteArray image(1024, '\x11');
    UpgradeImage upgrade;
    UpgradeImage::fromBytes(image + QByteArray("\x10\x05", 2), &upgrade);
    loadDeviceModelsFrom(QStringLiteral("/nonexistent"));
    for (auto _ : state) {
        VirtualDevice::Settings settings;
        settings.reportDelayMs = 1;
        auto virtualDevice = std::make_shared<VirtualDevice>(settings);
        DeviceManager manager(std::make_shared<VirtualBus>(virtualDevice));
        Device *device = connected(manager, QStringLiteral("virtual:1"));
        UpgradeJob job(device, upgrade);
        job.start();
        spin([&job]() { return job.isFinished(); });
        const auto appeared = virtualDevice->bootLoaderSince();
        const auto erased = virtualDevice->firstFrameAt(0x09);
        if (appeared.time_since_epoch().count() == 0 || erased < appeared) {
            state.SkipWithError("the boot loader was not found");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(erased - appeared).count());
    }
}
BENCHMARK(BM_BootLoaderToErase)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The whole upgrade of a 128 KiB image at 1 ms per report, from the connection to the device
// verified running its new firmware, as the link's job (what both front ends run).
//
// "budget_ms" is the time the device and the wire need: every report of the exchange at 1 ms
// (the information read, the hello, the erase, 256 blocks, the finish, the information read
// after the restart: 2576 reports) plus the device's own delays (two restarts of 1.5 s, each
// after a 2 ms hand-over, and a 20 ms erase). "ratio" is the measured time over the budget.
constexpr int RestartMs = 1500;
constexpr int EraseMs = 20;
constexpr double UpgradeWireMs = 2576.0;
constexpr double UpgradeBudgetMs = UpgradeWireMs + 2 * (RestartMs + 2) + EraseMs;

// Upgrades `count` devices at once in one process; the milliseconds from the connections to the
// last verified firmware, or a negative number when an upgrade failed.
double upgradeAtOnce(int count)
{
    loadDeviceModelsFrom(QStringLiteral("/nonexistent"));
    auto bus = std::make_shared<VirtualBus>();
    for (int i = 0; i < count; ++i) {
        VirtualDevice::Settings settings;
        settings.id = 0x1005;
        settings.serial = quint32(0x5000 + i);
        settings.reportDelayMs = 1;
        settings.restartDelayMs = RestartMs;
        settings.eraseDelayMs = EraseMs;
        bus->addDevice(std::make_shared<VirtualDevice>(settings));
    }
    DeviceManager manager(bus);
    UpgradeImage upgrade;
    UpgradeImage::fromBytes(benchImage() + QByteArray("\x10\x05", 2), &upgrade);

    QElapsedTimer clock;
    clock.start();
    std::vector<std::unique_ptr<UpgradeJob>> jobs;
    for (int i = 0; i < count; ++i) {
        Device *device = connected(manager, QStringLiteral("virtual:%1").arg(i + 1));
        if (!device)
            return -1;
        jobs.push_back(std::make_unique<UpgradeJob>(device, upgrade));
    }
    for (auto &job : jobs)
        job->start();
    spin([&jobs]() {
        for (auto &job : jobs) {
            if (!job->isFinished())
                return false;
        }
        return true;
    });
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    for (int i = 0; i < count; ++i) {
        if (!jobs[i]->result().succeeded() || !bus->devices().at(i)->lastUpgradeVerified())
            return -1;
    }
    return ms;
}

void BM_WholeUpgradeJob128KiB(benchmark::State &state)
{
    double totalMs = 0;
    for (auto _ : state) {
        const double ms = upgradeAtOnce(1);
        if (ms < 0)
            state.SkipWithError("the upgrade was not verified");
        totalMs += ms;
    }
    state.counters["wire_ms"] = UpgradeWireMs;
    state.counters["budget_ms"] = UpgradeBudgetMs;
    state.counters["ratio"] = totalMs / double(state.iterations()) / UpgradeBudgetMs;
}
BENCHMARK(BM_WholeUpgradeJob128KiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_TwoUpgradesAtOnce128KiB(benchmark::State &state)
{
    // Two devices upgraded at once in one process, each on its own link and worker: "ratio" is
    // the time of both over the time one device needs on its own (the budget above).
    double totalMs = 0;
    for (auto _ : state) {
        const double ms = upgradeAtOnce(2);
        if (ms < 0)
            state.SkipWithError("an upgrade was not verified");
        totalMs += ms;
    }
    state.counters["budget_ms"] = UpgradeBudgetMs;
    state.counters["ratio"] = totalMs / double(state.iterations()) / UpgradeBudgetMs;
}
BENCHMARK(BM_TwoUpgradesAtOnce128KiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
