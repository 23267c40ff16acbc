// The whole firmware upgrade of a 128 KiB image at 1 ms per report, from start to the device
// verified running its new firmware, as the korlex-cli program (process start, the information
// read, the job, the output); the same as the link's job in this process is in bench_link.cpp.
//
// "budget_ms" is the time the device and the wire need: every report of the exchange at 1 ms
// (the information read, the hello, the erase, 256 blocks, the finish, the information read
// after the restart: 2576 reports) plus the device's own delays (two restarts of 1.5 s, each
// after a 2 ms hand-over, and a 20 ms erase). "ratio" is the measured time over the budget.

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int ImageBytes = 128 * 1024;
constexpr int RestartMs = 1500;
constexpr int EraseMs = 20;
// 5 (information) + 2 (hello) + 2 (erase) + 256 x 10 (blocks) + 2 (finish) + 5 (information).
constexpr double WireMs = 2576.0;
constexpr double BudgetMs = WireMs + 2 * (RestartMs + 2) + EraseMs;

QByteArray upgradeFileBytes()
{
    QByteArray image(ImageBytes, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = char(i * 13 + (i >> 9));
    image.append('\x10');
    image.append('\x05');
    return image;
}

void report(benchmark::State &state, double totalMs)
{
    state.counters["wire_ms"] = WireMs;
    state.counters["budget_ms"] = BudgetMs;
    state.counters["ratio"] = totalMs / double(state.iterations()) / BudgetMs;
}

void BM_CliUpgrade128KiB(benchmark::State &state)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("image.swdf")));
    if (!file.open(QIODevice::WriteOnly) || file.write(upgradeFileBytes()) != ImageBytes + 2) {
        state.SkipWithError("cannot write the upgrade file");
        return;
    }
    file.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORLEX_VIRTUAL_DEVICE"),
               QStringLiteral("1005,delay=1,restart=%1,erase=%2").arg(RestartMs).arg(EraseMs));
    double totalMs = 0;
    for (auto _ : state) {
        QProcess cli;
        cli.setProcessEnvironment(env);
        cli.setWorkingDirectory(dir.path());
        QElapsedTimer clock;
        clock.start();
        // The upgrade alone: no backup before it.
        cli.start(QStringLiteral(KORLEX_CLI), {QStringLiteral("--quiet"), QStringLiteral("upgrade"),
                                               QStringLiteral("--no-backup"), file.fileName()});
        cli.waitForFinished(60000);
        totalMs += double(clock.nsecsElapsed()) / 1e6;
        if (cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0)
            state.SkipWithError("korlex-cli upgrade failed");
    }
    report(state, totalMs);
}
BENCHMARK(BM_CliUpgrade128KiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
