#include "virtualdevice/virtualbusserver.h"

#include "device/frame.h"
#include "virtualdevice/virtualdevice.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstring>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

// Longest message body either side accepts: a report and its header, or an enumeration.
constexpr int MaxBody = 1 << 20;
// How long a request may take beyond its own time-out before the client gives up on the server.
constexpr int ServerMarginMs = 2000;

class MessageWriter
{
public:
    explicit MessageWriter(char request) { m_body.append(request); }
    MessageWriter() = default;
    void number(qint32 value)
    {
        for (int i = 0; i < 4; ++i)
            m_body.append(char((quint32(value) >> (8 * i)) & 0xFF));
    }
    void bytes(const QByteArray &data)
    {
        number(data.size());
        m_body.append(data);
    }
    void text(const QString &value) { bytes(value.toUtf8()); }
    const QByteArray &body() const { return m_body; }

private:
    QByteArray m_body;
};

class MessageReader
{
public:
    explicit MessageReader(const QByteArray &body, int start = 0)
        : m_body(body)
        , m_pos(start)
    { }
    qint32 number()
    {
        if (m_pos + 4 > m_body.size()) {
            m_ok = false;
            return 0;
        }
        quint32 value = 0;
        for (int i = 0; i < 4; ++i)
            value |= quint32(quint8(m_body.at(m_pos + i))) << (8 * i);
        m_pos += 4;
        return qint32(value);
    }
    QByteArray bytes()
    {
        const qint32 size = number();
        if (!m_ok || size < 0 || m_pos + size > m_body.size()) {
            m_ok = false;
            return QByteArray();
        }
        const QByteArray data = m_body.mid(m_pos, size);
        m_pos += size;
        return data;
    }
    QString text() { return QString::fromUtf8(bytes()); }
    bool ok() const { return m_ok; }

private:
    const QByteArray &m_body;
    int m_pos = 0;
    bool m_ok = true;
};

#ifdef Q_OS_UNIX

using Clock = std::chrono::steady_clock;

bool sendMessage(int fd, const QByteArray &body)
{
    MessageWriter frame;
    frame.number(body.size());
    const QByteArray data = frame.body() + body;
    int sent = 0;
    while (sent < data.size()) {
        const ssize_t n
                = ::send(fd, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += int(n);
    }
    return true;
}

// Reads exactly size bytes. timeoutMs < 0 waits without a limit, looking at *stop (when given)
// every 100 ms.
bool receiveExactly(int fd, char *out, int size, Clock::time_point deadline,
                    const std::atomic<bool> *stop)
{
    int got = 0;
    while (got < size) {
        if (stop && *stop)
            return false;
        int waitMs = 100;
        if (deadline != Clock::time_point::max()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline
                                                                                    - Clock::now());
            if (left.count() <= 0)
                return false;
            waitMs = int(std::min<qint64>(left.count(), stop ? 100 : left.count()));
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, waitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return false;
        if (ready == 0)
            continue;
        const ssize_t n = ::recv(fd, out + got, size_t(size - got), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false; // closed, or an error
        got += int(n);
    }
    return true;
}

bool receiveMessage(int fd, QByteArray *body, int timeoutMs, const std::atomic<bool> *stop)
{
    const Clock::time_point deadline
            = timeoutMs < 0 ? Clock::time_point::max()
                            : Clock::now() + std::chrono::milliseconds(timeoutMs);
    char header[4];
    if (!receiveExactly(fd, header, 4, deadline, stop))
        return false;
    const QByteArray headerBytes(header, 4);
    const qint32 size = MessageReader(headerBytes).number();
    if (size < 1 || size > MaxBody)
        return false;
    body->resize(size);
    return receiveExactly(fd, body->data(), size, deadline, stop);
}

bool fillAddress(const QString &path, sockaddr_un *address)
{
    const QByteArray native = QFile::encodeName(path);
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (native.isEmpty() || native.size() >= int(sizeof address->sun_path))
        return false;
    std::memcpy(address->sun_path, native.constData(), size_t(native.size()));
    return true;
}

int connectTo(const QString &path)
{
    sockaddr_un address;
    if (!fillAddress(path, &address))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One request and its answer on a connection; false when the server did not answer in time.
bool exchange(int fd, const QByteArray &request, QByteArray *answer, int timeoutMs)
{
    return sendMessage(fd, request) && receiveMessage(fd, answer, timeoutMs, nullptr);
}

class BusHandle : public HidDevice
{
public:
    BusHandle(int fd, QString product)
        : m_fd(fd)
        , m_product(std::move(product))
    { }
    ~BusHandle() override { ::close(m_fd); }

    QString productString() override { return m_product; }
    int setNonBlocking(bool) override { return 0; }
    int write(const quint8 *data, std::size_t length) override
    {
        if (m_broken || !data)
            return -1;
        MessageWriter request('W');
        request.bytes(QByteArray(reinterpret_cast<const char *>(data), int(length)));
        QByteArray answer;
        if (!exchange(m_fd, request.body(), &answer, ServerMarginMs)) {
            m_broken = true;
            return -1;
        }
        MessageReader reader(answer);
        const qint32 result = reader.number();
        return reader.ok() ? result : -1;
    }
    int readTimeout(quint8 *data, std::size_t length, int milliseconds) override
    {
        if (m_broken || !data)
            return -1;
        MessageWriter request('R');
        request.number(qint32(std::min<std::size_t>(length, MaxBody / 2)));
        request.number(milliseconds);
        QByteArray answer;
        if (!exchange(m_fd, request.body(), &answer, std::max(milliseconds, 0) + ServerMarginMs)) {
            m_broken = true;
            return -1;
        }
        MessageReader reader(answer);
        const qint32 result = reader.number();
        const QByteArray bytes = reader.bytes();
        if (!reader.ok())
            return -1;
        if (result > 0)
            std::memcpy(data, bytes.constData(), std::min<std::size_t>(length, bytes.size()));
        return result;
    }

private:
    int m_fd;
    QString m_product;
    bool m_broken = false;
};

class BusClient : public HidBackend
{
public:
    explicit BusClient(QString path)
        : m_path(std::move(path))
    { }

    QVector<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override
    {
        QVector<HidDeviceInfo> found;
        if (vendorId != KorlexVendorId || productId != KorlexProductId)
            return found;
        const int fd = connectTo(m_path);
        if (fd < 0)
            return found;
        QByteArray answer;
        if (exchange(fd, MessageWriter('E').body(), &answer, ServerMarginMs)) {
            MessageReader reader(answer);
            const qint32 count = reader.number();
            for (qint32 i = 0; reader.ok() && i < count; ++i) {
                HidDeviceInfo info;
                info.path = reader.text();
                info.location = reader.text();
                info.product = reader.text();
                info.serial = reader.text();
                if (reader.ok())
                    found.append(info);
            }
        }
        ::close(fd);
        return found;
    }
    std::unique_ptr<HidDevice> openPath(const QString &path) override
    {
        const int fd = connectTo(m_path);
        if (fd < 0)
            return nullptr;
        MessageWriter request('O');
        request.text(path);
        QByteArray answer;
        if (exchange(fd, request.body(), &answer, ServerMarginMs)) {
            MessageReader reader(answer);
            const qint32 status = reader.number();
            const QString product = reader.text();
            if (reader.ok() && status == 0)
                return std::make_unique<BusHandle>(fd, product);
        }
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<HidDevice> open(quint16 vendorId, quint16 productId) override
    {
        const QVector<HidDeviceInfo> found = enumerate(vendorId, productId);
        return found.isEmpty() ? nullptr : openPath(found.first().path);
    }
    bool isPresent(quint16 vendorId, quint16 productId) override
    {
        return !enumerate(vendorId, productId).isEmpty();
    }

private:
    QString m_path;
};

#endif // Q_OS_UNIX

} // namespace

VirtualBusServer::VirtualBusServer(std::shared_ptr<VirtualBus> bus)
    : m_bus(std::move(bus))
{ }

VirtualBusServer::~VirtualBusServer()
{
    stop();
}

#ifdef Q_OS_UNIX

bool VirtualBusServer::listen(const QString &socketPath, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (m_listenFd >= 0)
        return fail(QStringLiteral("already listening"));
    sockaddr_un address;
    if (!fillAddress(socketPath, &address))
        return fail(QStringLiteral("the socket path is empty or too long"));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    ::unlink(address.sun_path); // a socket left behind by an earlier server
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(fd, 16) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return fail(why);
    }
    m_path = socketPath;
    m_listenFd = fd;
    m_stopping = false;
    m_acceptThread = std::thread([this]() { acceptLoop(); });
    return true;
}

void VirtualBusServer::stop()
{
    if (m_listenFd < 0)
        return;
    m_stopping = true;
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    ::close(m_listenFd);
    m_listenFd = -1;
    ::unlink(QFile::encodeName(m_path).constData());
    // Every connection looks at the stop flag at least every 100 ms.
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this]() { return m_connections == 0; });
}

void VirtualBusServer::acceptLoop()
{
    while (!m_stopping) {
        pollfd p{m_listenFd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_connections;
        }
        std::thread([this, fd]() {
            serve(fd);
            ::close(fd);
            std::lock_guard<std::mutex> lock(m_mutex);
            if (--m_connections == 0)
                m_idle.notify_all();
        }).detach();
    }
}

void VirtualBusServer::serve(int fd)
{
    std::unique_ptr<HidDevice> handle;
    QByteArray body;
    while (receiveMessage(fd, &body, -1, &m_stopping)) {
        const char request = body.at(0);
        MessageReader reader(body, 1);
        MessageWriter answer;
        switch (request) {
        case 'E': {
            const QVector<HidDeviceInfo> found = m_bus->enumerate(KorlexVendorId, KorlexProductId);
            answer.number(found.size());
            for (const HidDeviceInfo &info : found) {
                answer.text(info.path);
                answer.text(info.location);
                answer.text(info.product);
                answer.text(info.serial);
            }
            break;
        }
        case 'O': {
            const QString path = reader.text();
            handle = reader.ok() ? m_bus->openPath(path) : nullptr;
            answer.number(handle ? 0 : -1);
            answer.text(handle ? handle->productString() : QString());
            break;
        }
        case 'W': {
            const QByteArray data = reader.bytes();
            const int result
                    = handle && reader.ok()
                              ? handle->write(reinterpret_cast<const quint8 *>(data.constData()),
                                              std::size_t(data.size()))
                              : -1;
            answer.number(result);
            break;
        }
        case 'R': {
            const qint32 length = reader.number();
            const qint32 timeoutMs = reader.number();
            QByteArray data(std::clamp(length, 0, MaxBody / 2), '\0');
            const int result
                    = handle && reader.ok()
                              ? handle->readTimeout(reinterpret_cast<quint8 *>(data.data()),
                                                    std::size_t(data.size()), timeoutMs)
                              : -1;
            answer.number(result);
            answer.bytes(result > 0 ? data.left(result) : QByteArray());
            break;
        }
        default:
            return; // not a client of this server
        }
        if (!sendMessage(fd, answer.body()))
            return;
    }
}

std::shared_ptr<HidBackend> virtualBusClient(const QString &socketPath)
{
    return std::make_shared<BusClient>(socketPath);
}

std::shared_ptr<HidBackend> virtualBackendFromSetting(const QString &setting, QString *error)
{
    if (setting.startsWith(QLatin1String("bus:"))) {
        if (setting.size() == 4) {
            if (error)
                *error = QStringLiteral("bus: needs the path of the server's socket");
            return nullptr;
        }
        return virtualBusClient(setting.mid(4));
    }
    return VirtualBus::fromEnvironment(setting, error);
}

#else // not Q_OS_UNIX

bool VirtualBusServer::listen(const QString &, QString *error)
{
    if (error)
        *error = QStringLiteral("not supported on this platform");
    return false;
}

void VirtualBusServer::stop() { }

void VirtualBusServer::acceptLoop() { }

void VirtualBusServer::serve(int) { }

namespace {

class NoBus : public HidBackend
{
public:
    std::unique_ptr<HidDevice> open(quint16, quint16) override { return nullptr; }
    bool isPresent(quint16, quint16) override { return false; }
    QVector<HidDeviceInfo> enumerate(quint16, quint16) override { return {}; }
    std::unique_ptr<HidDevice> openPath(const QString &) override { return nullptr; }
};

} // namespace

std::shared_ptr<HidBackend> virtualBusClient(const QString &)
{
    return std::make_shared<NoBus>();
}

std::shared_ptr<HidBackend> virtualBackendFromSetting(const QString &setting, QString *error)
{
    if (setting.startsWith(QLatin1String("bus:"))) {
        if (setting.size() == 4) {
            if (error)
                *error = QStringLiteral("bus: needs the path of the server's socket");
            return nullptr;
        }
        return virtualBusClient(setting.mid(4));
    }
    return VirtualBus::fromEnvironment(setting, error);
}

#endif
