#include "upgrade/upgradejob.h"

#include "catalogue/devicemodels.h"
#include "device/commands.h"
#include "device/device.h"

#include <QElapsedTimer>

namespace {

constexpr int HelloTries = 3;
constexpr int HelloTimeoutMs = 1500;
constexpr int EraseTries = 3;
constexpr int BlockTries = 3;
constexpr int BlockTimeoutMs = 800;
constexpr int FinishTries = 3;
constexpr int FinishTimeoutMs = 500;

} // namespace

UpgradeJob::UpgradeJob(Device *device, const UpgradeImage &image, const UpgradeOptions &options,
                       QObject *parent)
    : Job(JobKind::Upgrade, device, parent)
    , m_image(image)
    , m_options(options)
{ }

UpgradeJob::~UpgradeJob()
{
    stopBeforeDestruction();
}

JobCause UpgradeJob::prepare()
{
    if (m_image.isEmpty())
        return JobCause::NoImage;
    const DeviceIdentity &identity = device()->identity();
    switch (m_image.matches(identity)) {
    case UpgradeImage::Match::Fits:
        break;
    case UpgradeImage::Match::WrongDevice:
        return JobCause::WrongDevice;
    case UpgradeImage::Match::Unchecked:
        if (!m_options.allowUncheckedTarget)
            return JobCause::TargetUnchecked;
        break;
    }
    m_entry = device()->entry();
    m_location = m_entry.location;
    m_usbSerial = m_entry.serial;
    m_serial = identity.answered ? identity.serial : QString();
    m_othersAtStart.clear();
    for (const HidDeviceInfo &info :
         device()->link().backend()->enumerate(KorlexVendorId, KorlexProductId)) {
        if (info.path != m_entry.path)
            m_othersAtStart.insert(info.path);
    }
    m_result.blockCount = m_image.blockCount();
    m_result.firmwareBefore = identity.firmwareVersion;
    return JobCause::None;
}

int UpgradeJob::timeLimitMs() const
{
    return timing().timeLimitMs > 0 ? timing().timeLimitMs : m_image.timeLimitMs();
}

bool UpgradeJob::namesItselfAsOurs(const InfoReply *reply)
{
    if (!m_location.isEmpty() || m_serial.isEmpty())
        return true;
    InfoReply own;
    if (!reply) {
        const LinkReply info = link().requestLong(Wire::deviceInfoRequest(), LongReply::DeviceInfo,
                                                  Exchange::InfoTimeoutMs, 0, &control());
        // A boot loader that does not answer cannot say; being the only candidate decides.
        if (!info.answered() || !parseInfoReply(info.frame, info.reports, &own))
            return true;
        reply = &own;
    }
    return reply->serialText() == m_serial;
}

UpgradeJob::Found UpgradeJob::findFollowed(bool bootLoader, bool firmware, HidDeviceInfo *found)
{
    int count = 0;
    for (const HidDeviceInfo &info : link().backend()->enumerate(KorlexVendorId, KorlexProductId)) {
        const ProductKind kind = productKindOf(info.product);
        if (!(kind == ProductKind::BootLoader && bootLoader)
            && !(kind == ProductKind::Firmware && firmware))
            continue;
        bool candidate = false;
        if (!m_location.isEmpty())
            candidate = info.location == m_location;
        else if (!m_usbSerial.isEmpty() && !info.serial.isEmpty())
            candidate = info.serial == m_usbSerial;
        else
            candidate = info.path == m_entry.path || !m_othersAtStart.contains(info.path);
        if (candidate) {
            *found = info;
            ++count;
        }
    }
    return count == 0 ? Found::None : (count == 1 ? Found::One : Found::Several);
}

bool UpgradeJob::waitForBootLoader()
{
    setPhase(JobPhase::Hello);
    // The firmware may restart without answering; only a status reply or a stop counts here.
    const LinkReply hello = link().transact(Wire::upgradeHelloFrame(m_image.targetId), HelloTries,
                                            HelloTimeoutMs, &control());
    switch (hello.status) {
    case LinkStatus::Stop:
    case LinkStatus::LowPower:
    case LinkStatus::Cancelled:
    case LinkStatus::TimedOut:
        fail(causeOf(hello.status), JobStep::Hello);
        return false;
    default:
        break;
    }

    setPhase(JobPhase::WaitingForBootLoader);
    // A device already in its boot loader (a recovery) stays there.
    if (link().isOpen() && link().openKind() == ProductKind::BootLoader)
        return true;
    device()->setFollowingRestart(true);
    const int limit = timing().bootWaitRounds * timing().bootWaitRoundMs;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (control().cancelled()) {
            fail(JobCause::Stopped, JobStep::BootWait);
            return false;
        }
        HidDeviceInfo found;
        switch (findFollowed(true, false, &found)) {
        case Found::Several:
            fail(JobCause::Ambiguous, JobStep::BootWait);
            return false;
        case Found::One:
            if (link().open(found, &control()) == DeviceLink::OpenResult::Opened
                && link().openKind() == ProductKind::BootLoader) {
                if (!namesItselfAsOurs(nullptr)) {
                    link().close();
                    fail(JobCause::Ambiguous, JobStep::BootWait);
                    return false;
                }
                m_entry = link().openEntry();
                device()->setEntry(m_entry);
                return true;
            }
            break;
        case Found::None:
            break;
        }
        if (clock.elapsed() >= limit) {
            fail(JobCause::NoBootLoader, JobStep::BootWait);
            return false;
        }
        // The boot loader is opened as soon as it has enumerated.
        control().sleep(int(qMin<qint64>(control().sliceMs(), limit - clock.elapsed() + 1)));
    }
}

void UpgradeJob::waitForRestart()
{
    setPhase(JobPhase::Restarting);
    control().setDeadline(-1);
    device()->setFollowingRestart(true);
    const int limit
            = m_options.restartTimeoutMs >= 0 ? m_options.restartTimeoutMs : timing().restartWaitMs;
    QElapsedTimer clock;
    clock.start();
    bool sawBootLoader = false;
    const bool acknowledged = m_result.acknowledged;
    for (;;) {
        if (control().cancelled()) {
            fail(JobCause::Stopped, JobStep::Restart);
            return;
        }
        HidDeviceInfo found;
        const Found firmware = findFollowed(false, true, &found);
        if (firmware == Found::Several) {
            fail(JobCause::Ambiguous, JobStep::Restart);
            return;
        }
        if (firmware == Found::One
            && link().open(found, &control()) == DeviceLink::OpenResult::Opened
            && link().openKind() == ProductKind::Firmware) {
            const LinkReply reply
                    = link().requestLong(Wire::deviceInfoRequest(), LongReply::DeviceInfo,
                                         Exchange::InfoTimeoutMs, 0, &control());
            InfoReply info;
            if (reply.answered() && parseInfoReply(reply.frame, reply.reports, &info)) {
                if (!namesItselfAsOurs(&info)) {
                    link().close();
                    fail(JobCause::Ambiguous, JobStep::Restart);
                    return;
                }
                m_entry = link().openEntry();
                device()->setEntry(m_entry);
                m_back = true;
                m_identityAfter = DeviceIdentity::fromReply(ProductKind::Firmware, m_entry.product,
                                                            info, deviceModels());
                m_hasRecord = info.hasRecord;
                if (m_hasRecord) {
                    m_recordAfter = ParameterRecord::fromReply(info);
                    m_curvesAfter = CurveSet::fromReply(info, m_identityAfter.model);
                }
                m_result.firmwareAfter = m_identityAfter.firmwareVersion.isEmpty()
                                                 ? m_identityAfter.softwareVersion
                                                 : m_identityAfter.firmwareVersion;
                m_result.verdict = acknowledged ? UpgradeVerdict::AcknowledgedBack
                                                : UpgradeVerdict::UnacknowledgedBack;
                return;
            }
        }
        HidDeviceInfo loader;
        sawBootLoader = findFollowed(true, false, &loader) != Found::None;
        if (sawBootLoader)
            m_entry = loader; // the boot loader is where the device is now
        if (clock.elapsed() >= limit)
            break;
        control().sleep(int(qMin<qint64>(control().sliceMs(), limit - clock.elapsed() + 1)));
    }
    if (sawBootLoader) {
        device()->setEntry(m_entry);
        m_result.verdict = acknowledged ? UpgradeVerdict::AcknowledgedBootLoader
                                        : UpgradeVerdict::UnacknowledgedBootLoader;
        fail(JobCause::StayedInBootLoader, JobStep::Restart);
        return;
    }
    m_result.verdict
            = acknowledged ? UpgradeVerdict::AcknowledgedGone : UpgradeVerdict::UnacknowledgedGone;
    fail(JobCause::DidNotComeBack, JobStep::Restart);
    // The image was taken; the device may still be restarting.
    if (acknowledged)
        m_result.outcome = JobOutcome::Unverified;
}

void UpgradeJob::run()
{
    control().setDeadline(timeLimitMs());
    if (!waitForBootLoader())
        return;
    control().setDeadline(timeLimitMs());

    setPhase(JobPhase::Erasing);
    const quint16 target = m_image.targetId;
    const int eraseTimeout = m_image.size() < LargeImageSize ? 3000 : 6000;
    if (!answered(link().transact(Wire::upgradeEraseFrame(target, m_image.size()), EraseTries,
                                  eraseTimeout, &control()),
                  JobStep::Erase))
        return;

    setPhase(JobPhase::Writing);
    const int blocks = m_image.blockCount();
    reportProgress(0, blocks);
    for (int block = 0; block < blocks; ++block) {
        // A block the device did not take would leave a broken image behind.
        const QByteArray frame = Wire::upgradeBlockFrame(target, m_image.image, block, true);
        if (!answered(link().transact(frame, BlockTries, BlockTimeoutMs, &control()),
                      JobStep::Block, block + 1))
            return;
        m_result.blocksSent = block + 1;
        reportProgress(block + 1, blocks);
        control().setDeadline(timeLimitMs()); // the limit counts from the latest block
    }

    setPhase(JobPhase::Finishing);
    const LinkReply finish = link().transact(
            Wire::upgradeFinishFrame(target, quint32(m_image.size()), m_image.check()), FinishTries,
            FinishTimeoutMs, &control());
    switch (finish.status) {
    case LinkStatus::Answered:
        m_result.acknowledged = true;
        break;
    case LinkStatus::Stop:
    case LinkStatus::LowPower:
    case LinkStatus::Cancelled:
        fail(causeOf(finish.status), JobStep::Finish);
        return;
    default:
        // No answer: a boot loader that restarts as soon as it has checked the image does not
        // answer. Whether it took the image shows in what comes back.
        break;
    }
    waitForRestart();
}

void UpgradeJob::apply()
{
    Device *target = device();
    target->setFollowingRestart(false);
    if (m_back) {
        target->applyConnection(ConnectStatus::Connected, m_identityAfter,
                                m_hasRecord ? &m_recordAfter : nullptr,
                                m_hasRecord ? &m_curvesAfter : nullptr);
        return;
    }
    // Anywhere else (its boot loader, another place) the device is connected anew, so that
    // what it is now is known.
    if (m_result.cause != JobCause::Stopped && m_result.step != JobStep::None)
        target->requestConnect();
}
