#ifndef VIRTUALDEVICE_VIRTUALDEVICE_H
#define VIRTUALDEVICE_VIRTUALDEVICE_H

#include "device/hidbackend.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

// An emulation of the device side of the USB protocol: it answers the information request,
// keeps parameters, curves, the clock and the LCD pictures, runs the firmware upgrade with its
// restart into the boot loader and back, and can be told to misbehave (lost replies, bad CRCs,
// junk, delays, unplugging, status replies). Tests drive the real transport against it; the
// program uses it when KORLEX_VIRTUAL_DEVICE is set.
//
// Time-dependent changes (the restart after the upgrade hello or finish) happen lazily when the
// bus is next asked for a device, so no thread or timer of its own is needed.
class VirtualDevice
{
public:
    enum class Mode { Application, BootLoader, Restarting, Unplugged };

    struct Settings
    {
        quint16 id = 0x1005;
        QString productSuffix; // appended to "KORLEX" in normal firmware
        quint32 serial = 0x3a1b2c4d;
        quint16 softwareVersion = 12;
        std::array<quint8, 5> firmwareVersion{{1, 0, 3, 2, 7}};
        int restartDelayMs = 1500; // from the hello (or finish) to the re-enumeration
        int eraseDelayMs = 20;
        int reportDelayMs = 0; // time one report takes on the wire, each way
        bool clockRuns = true; // false keeps the clock where it was set
        bool startInBootLoader = false;
        // Reports the puff time in seconds (3 to 10) instead of the hundredths it is written in.
        bool puffInSeconds = false;
        // The boot loader answers the information request with its identity (else not at all).
        bool bootLoaderAnswersInfo = true;
        // The system names no USB port for the device, and its path changes whenever it
        // enumerates anew (as where hidapi names devices by a path of the moment).
        bool noPort = false;
        // The USB serial number string: always reported, never, or only by the normal firmware.
        enum class UsbSerial { Always, Never, FirmwareOnly };
        UsbSerial usbSerial = UsbSerial::Always;
        // New firmware starts with the factory's parameters, curves and pictures.
        bool factoryAfterUpgrade = false;
    };

    // What the device answers a given command with, instead of its normal reply.
    enum class Status : quint8 { Stop = 0x01, LowPower = 0x0A, Other = 0x05 };

    VirtualDevice();
    explicit VirtualDevice(const Settings &settings);

    Settings settings() const;
    Mode mode() const;
    // Normal firmware's or the boot loader's product string, empty when not enumerated.
    QString productString() const;

    // --- device state --------------------------------------------------------------------------
    struct Parameters
    {
        std::array<bool, 5> coilEnabled{{true, true, true, false, false}};
        std::array<quint16, 5> coilValues{{1300, 6500, 4000, 400, 1000}};
        quint16 lcdBright = 200;
        quint16 smokeTime = 800;
    };
    Parameters parameters() const;
    void setParameters(const Parameters &parameters);
    // Device-side values: temperatures in Fahrenheit whatever the unit of the write (the unit
    // byte of a curve write says how to read that write), power in W.
    std::array<std::array<quint16, 10>, 5> tempCurves() const;
    std::array<std::array<quint16, 10>, 5> powerCurves() const;
    void setTempCurve(int group, const std::array<quint16, 10> &points);
    void setPowerCurve(int group, const std::array<quint16, 10> &points);
    quint8 tempUnit() const;
    QDateTime clock() const;
    void setClock(const QDateTime &time);
    int factoryResets() const;
    // LCD bytes of slot index (0-based); mono slots hold 512 or 1024 bytes, colour 25600.
    QByteArray picture(int index) const;
    void setPicture(int index, const QByteArray &bytes);
    int pictureSlots() const;
    int pictureBytes() const;

    // --- the upgrade -------------------------------------------------------------------------
    QByteArray receivedImage() const; // descrambled bytes of the blocks received
    int blocksReceived() const;
    bool lastUpgradeVerified() const; // the finish command matched size and byte sum
    int upgradesCompleted() const;

    // --- what arrived --------------------------------------------------------------------------
    QVector<QByteArray> receivedFrames() const; // every complete frame, in order
    // When the first frame with that command code arrived (after clearLog), and when the device
    // last came up as its boot loader; the epoch when it never did.
    std::chrono::steady_clock::time_point firstFrameAt(quint8 command) const;
    std::chrono::steady_clock::time_point bootLoaderSince() const;
    int reportsReceived() const;
    void clearLog();

    // --- faults --------------------------------------------------------------------------------
    // The next count replies are lost (only replies to the given command, when it is not 0).
    void dropReplies(int count, quint8 command = 0);
    void corruptReplies(int count); // the next count replies carry a wrong CRC
    void junkBeforeReplies(int count, int bytes); // junk bytes before the start byte
    void junkReportsBeforeReplies(int count, int reports); // whole junk reports first
    void setReplyDelay(int milliseconds); // extra time before each reply
    void setReportDelay(int milliseconds);
    void setRestartDelay(int milliseconds); // for the restarts from now on
    void unplugAfterFrames(int frames); // disappears after that many more frames
    void unplug();
    void plugIn(); // back as normal firmware
    void answerWithStatus(quint8 command, Status status, int count = 1);
    void setBootLoaderNeverAppears(bool never);
    void setSingleReportInfo(bool single); // a short information reply (identity only)
    void setDeclaredInfoLength(int length); // announce this data length, -1 for the real one
    void setRestoreDefaultsAnswered(bool answered);
    void setOpenDenied(bool denied); // enumerated, but opening fails (no permission)
    // The next count report writes fail (the device stays on the bus).
    void failWrites(int count);
    // The finish command finds the received image wrong (as after a flash write error).
    void failImageCheck(bool fail = true);
    // After an image it accepted, the device restarts into its boot loader again (the new
    // firmware does not start).
    void restartIntoBootLoaderAfterImage(bool back = true);
    // The device carries out the command but never answers it (not even with a status reply):
    // the firmware restarts at the hello without a word, the boot loader at the finish.
    void omitReplies(quint8 command, bool omit = true);

    // --- used by the bus and its handles -------------------------------------------------------
    bool isEnumerated();
    bool openDenied() const;
    // A handle has been opened: as with a HID device node, it reads only the reports that
    // come after it was opened; the replies nobody read before (a program that was ended
    // while it waited for one) stay with the handles of then.
    void handleOpened();
    quint64 generation() const;
    // The USB serial number string it enumerates with now (empty when it reports none).
    QString usbSerialString() const;
    int write(quint64 generation, const quint8 *data, std::size_t length);
    int read(quint64 generation, quint8 *data, std::size_t length, int timeoutMs);

private:
    using Clock = std::chrono::steady_clock;

    struct PendingReport
    {
        std::array<quint8, 64> bytes;
        Clock::time_point readyAt;
    };

    void updateModeLocked();
    void processRestartMarkersLocked();
    Clock::time_point nextWireSlotLocked() const;
    void processFrameLocked(const QByteArray &frame);
    void replyLocked(quint8 code, const QByteArray &data);
    void statusReplyLocked(Status status);
    void restartLocked(Mode target, Clock::time_point startedAt);
    void enumerateLocked(Mode mode);
    void factorySettingsLocked(bool pictures);
    QByteArray infoDataLocked() const;
    bool applicationCommandLocked(quint8 code, const QByteArray &data);
    bool bootCommandLocked(quint8 code, const QByteArray &data);
    QDateTime clockLocked() const;

    mutable std::mutex m_mutex;
    std::condition_variable m_replyReady;
    Settings m_settings;
    Mode m_mode = Mode::Application;
    Mode m_restartTarget = Mode::Application;
    Clock::time_point m_restartAt;
    quint64 m_generation = 1;

    Parameters m_parameters;
    std::array<std::array<quint16, 10>, 5> m_tempCurves{};
    std::array<std::array<quint16, 10>, 5> m_powerCurves{};
    quint8 m_tempUnit = 1;
    QDateTime m_clockSetTo;
    Clock::time_point m_clockSetAt;
    int m_factoryResets = 0;
    QVector<QByteArray> m_pictures;
    QVector<int> m_monoNextOffset;

    QByteArray m_image;
    int m_blocksReceived = 0;
    bool m_erased = false;
    bool m_lastVerified = false;
    int m_upgradesCompleted = 0;

    QByteArray m_rx;
    std::deque<PendingReport> m_pending;
    Clock::time_point m_lastReadyAt;
    QVector<QByteArray> m_frames;
    QVector<Clock::time_point> m_frameTimes;
    Clock::time_point m_bootLoaderSince{};
    int m_reports = 0;

    int m_dropReplies = 0;

    quint8 m_dropCommand = 0;
    quint8 m_replyingTo = 0;
    int m_corruptReplies = 0;
    int m_junkReplies = 0;
    int m_junkBytes = 0;
    int m_junkReportReplies = 0;
    int m_junkReports = 0;
    int m_replyDelayMs = 0;
    int m_unplugAfter = -1;
    quint8 m_statusCommand = 0;
    Status m_status = Status::Stop;
    int m_statusCount = 0;
    bool m_bootNeverAppears = false;
    bool m_singleReportInfo = false;
    int m_declaredInfoLength = -1;
    bool m_restoreAnswered = true;
    bool m_openDenied = false;
    int m_failWrites = 0;
    bool m_failImageCheck = false;
    bool m_backToBootLoader = false;
    QVector<quint8> m_omitted;
};

// The virtual USB bus: devices of the family, each in a port of its own ("virtual:1",
// "virtual:2", ...; a device keeps its port when it restarts), and, optionally, the foreign HID
// device that shares their USB ids ("virtual:foreign").
class VirtualBus : public HidBackend, public std::enable_shared_from_this<VirtualBus>
{
public:
    explicit VirtualBus(std::shared_ptr<VirtualDevice> device = nullptr, bool foreign = false);

    // The device in the first port.
    std::shared_ptr<VirtualDevice> device() const;
    QVector<std::shared_ptr<VirtualDevice>> devices() const;
    // Plugs another device into the next free port.
    void addDevice(std::shared_ptr<VirtualDevice> device);
    // The foreign device enumerates before the device family's own.
    void setForeignDevicePresent(bool present);

    std::unique_ptr<HidDevice> open(quint16 vendorId, quint16 productId) override;
    bool isPresent(quint16 vendorId, quint16 productId) override;
    QVector<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override;
    std::unique_ptr<HidDevice> openPath(const QString &path) override;
    // How many handles of the family's devices were opened so far.
    int opens() const { return m_opens; }

    // Builds a bus from the KORLEX_VIRTUAL_DEVICE setting: "1" (a 128 x 32 device), a hexadecimal
    // device identifier such as "2001" or "0x3000", or "foreign"; options may follow after
    // commas: "delay=<ms per report>", "serial=<hex>", "boot" (start in the boot loader),
    // "restart=<ms>", "erase=<ms>", "puffseconds", "silentboot" (a boot loader that does not
    // answer the information request), "noport" (the system names no USB port and the path
    // changes with every enumeration), "noserial" (no USB serial number), "bootnoserial" (none in
    // the boot loader). Faults for trying out and testing the failure paths:
    // "status=<command>:<stop|lowpower>[:<count>]" (answer the next count frames of that command,
    // in hexadecimal, with a status reply), "nobootloader" (the boot loader never appears),
    // "unplugafter=<frames>" (the device goes away after that many more frames), "omit=<command>"
    // (the command is carried out but never answered), "failwrites=<n>" (the next n report writes
    // fail), "backtoboot" (after an image it accepted the device restarts into its boot loader
    // again). Several devices are separated by semicolons, as "1005;2001"; each has its own
    // serial number unless one is given. An unknown device or option, or a value of the wrong
    // kind, gives no bus (null) and *error says why.
    static std::shared_ptr<VirtualBus> fromEnvironment(const QString &setting,
                                                       QString *error = nullptr);

private:
    mutable std::mutex m_mutex;
    QVector<std::shared_ptr<VirtualDevice>> m_devices;
    std::atomic<bool> m_foreign{false};
    std::atomic<int> m_opens{0};
};

#endif // VIRTUALDEVICE_VIRTUALDEVICE_H
