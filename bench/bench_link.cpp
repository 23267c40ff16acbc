// Benchmarks of the device link: CRC, frame search, and request-reply exchanges against the
// virtual device, with and without the wire time of a full-speed USB HID link (1 ms a report).
// Benchmarks with a wire time report "wire_ms" (the reports' time on the wire) and "ratio"
// (measured time / wire time); the transport must stay within 1.10.

#include "catalogue/devicemodels.h"
#include "device/jobs.h"
#include "device/protocol.h"
#include "device/session.h"
#include "device/transport.h"
#include "device/usbthread.h"
#include "virtualdevice/virtualdevice.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

namespace {

std::shared_ptr<VirtualDevice> connect(quint16 id, int reportDelayMs, bool bootLoader = false)
{
    deviceSession().clear();
    loadDeviceModelsFrom(QStringLiteral("/nonexistent"));
    VirtualDevice::Settings settings;
    settings.id = id;
    settings.reportDelayMs = reportDelayMs;
    settings.startInBootLoader = bootLoader;
    settings.eraseDelayMs = 0;
    auto device = std::make_shared<VirtualDevice>(settings);
    setHidBackend(std::make_shared<VirtualBus>(device));
    openHidDevice();
    deviceSession().deviceId = id;
    deviceSession().upgradeTargetId = id;
    return device;
}

void reportWire(benchmark::State &state, double wireMsPerIteration)
{
    state.counters["wire_ms"] = wireMsPerIteration;
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
    connect(0x1005, 0);
    const QByteArray request = buildFrame(0x1005, 0x3B, QByteArray());
    for (auto _ : state)
        benchmark::DoNotOptimize(transact(request, 3, 500));
    closeHidDevice();
}
BENCHMARK(BM_TransactVirtual);

void BM_UpgradeBlockOnWire(benchmark::State &state)
{
    // One full 525-byte block: 9 reports out, 1 report in.
    connect(0x1005, 1, true);
    QByteArray image(512 * 4, '\x33');
    deviceSession().setUpgradeImage(image);
    deviceSession().upgradeSize = image.size();
    upgradeErase(3000);
    for (auto _ : state)
        benchmark::DoNotOptimize(upgradeWriteBlock(0, 800));
    reportWire(state, 10.0);
    closeHidDevice();
}
BENCHMARK(BM_UpgradeBlockOnWire)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(200);

void BM_MonoPictureSetOnWire(benchmark::State &state)
{
    // Twelve 128 x 32 pictures: one 522-byte frame each (9 reports out, 1 in).
    connect(0x1005, 1);
    const QByteArray picture(512, '\x0f');
    for (auto _ : state) {
        for (int number = 1; number <= 12; ++number)
            benchmark::DoNotOptimize(writeMonoPicture(
                    reinterpret_cast<const quint8 *>(picture.constData()), 512, number));
    }
    reportWire(state, 12 * 10.0);
    closeHidDevice();
}
BENCHMARK(BM_MonoPictureSetOnWire)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_ColourPictureSetOnWire(benchmark::State &state)
{
    // Ten 25600-byte pictures: 500 blocks of 525 bytes (9 reports out, 1 in).
    connect(0x3000, 1);
    const QByteArray picture(25600, '\x5a');
    for (auto _ : state) {
        for (int number = 0; number < 10; ++number)
            benchmark::DoNotOptimize(writeColourPicture(
                    reinterpret_cast<const quint8 *>(picture.constData()), 25600, number));
    }
    reportWire(state, 500 * 10.0);
    closeHidDevice();
}
BENCHMARK(BM_ColourPictureSetOnWire)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_Upgrade128KiBOnWire(benchmark::State &state)
{
    // From the first block to the finish: 256 full blocks (10 reports each) and the finish
    // (1 out, 1 in), sent as the upgrade job sends them.
    auto device = connect(0x1005, 1, true);
    QByteArray image(128 * 1024, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(i * 13);
    DeviceSession &session = deviceSession();
    session.setUpgradeImage(image);
    session.upgradeSize = image.size();
    quint32 sum = 0;
    for (char byte : qAsConst(image))
        sum += quint8(byte);
    session.setUpgradeCheck(
            {{quint8(sum >> 24), quint8(sum >> 16), quint8(sum >> 8), quint8(sum)}});
    session.upgradeBlockCount = quint16(image.size() / 512);
    for (auto _ : state) {
        state.PauseTiming();
        upgradeErase(6000);
        state.ResumeTiming();
        for (int block = 0; block < session.upgradeBlockCount; ++block)
            upgradeWriteBlock(block, 800);
        upgradeFinish(500);
        state.PauseTiming();
        if (!device->lastUpgradeVerified())
            state.SkipWithError("the virtual device did not verify the image");
        // The device restarts after the finish; bring it back as its boot loader.
        device = connect(0x1005, 1, true);
        session.setUpgradeImage(image);
        session.upgradeSize = image.size();
        session.setUpgradeCheck(
                {{quint8(sum >> 24), quint8(sum >> 16), quint8(sum >> 8), quint8(sum)}});
        session.upgradeBlockCount = quint16(image.size() / 512);
        state.ResumeTiming();
    }
    reportWire(state, 256 * 10.0 + 2.0);
    closeHidDevice();
}
BENCHMARK(BM_Upgrade128KiBOnWire)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_PictureReadJobOnWire(benchmark::State &state)
{
    // The read job for twelve 128 x 32 pictures, saving each to its file: per picture the
    // request (1 report out) and the reply (9 reports in). The files are written beside the
    // transfer, so the job should take the wire time and no more.
    QTemporaryDir folder;
    connect(0x1005, 1);
    setPictureFolder(folder.path());
    for (auto _ : state) {
        deviceSession().usbJob = JobReadPictures;
        runUsbJob();
        if (deviceSession().jobOutcome != int(JobOutcome::Succeeded))
            state.SkipWithError("the read job failed");
    }
    setPictureFolder(QString());
    reportWire(state, 12 * 10.0);
    closeHidDevice();
}
BENCHMARK(BM_PictureReadJobOnWire)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_BootLoaderToErase(benchmark::State &state)
{
    // The whole upgrade job on the worker, no device-change notification: from the moment the
    // boot loader has enumerated to the erase command reaching it.
    const QByteArray image(1024, '\x11');
    for (auto _ : state) {
        auto device = connect(0x1005, 1);
        DeviceSession &session = deviceSession();
        session.timing.sliceMs = 20;
        session.setUpgradeImage(image);
        session.upgradeSize = image.size();
        session.setUpgradeCheck({{0, 0, 0x44, 0}});
        session.upgradeBlockCount = 2;
        session.usbJob = JobUpgrade;
        startUsbThread();
        while (usbThreadRunning())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const auto appeared = device->bootLoaderSince();
        const auto erased = device->firstFrameAt(0x09);
        if (appeared.time_since_epoch().count() == 0 || erased < appeared) {
            state.SkipWithError("the boot loader was not found");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(erased - appeared).count());
    }
    closeHidDevice();
}
BENCHMARK(BM_BootLoaderToErase)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
