#include "QtCanProviders.h"

#include "SocketCanLink.h"
#include "ZarvoCodes.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCoreApplication>
#include <QLibrary>
#include <QTcpSocket>
#include <QThread>
#include <QtGlobal>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <set>

namespace {

constexpr quint16 kVirtualCanPort = 35468; // where Qt's virtual CAN server listens
constexpr int kProbeTimeoutMs = 300;
constexpr std::chrono::seconds kOpenTimeout{3};

// ---------------------------------------------------------------- I/O thread

// One thread with an event loop for every Qt device of the driver. Devices
// are created, used and deleted only on it.
class QtCanIo {
public:
    static QtCanIo& instance() {
        static QtCanIo* io = new QtCanIo; // lives to the end of the process
        return *io;
    }

    // Runs `job` on the I/O thread and waits for it; false when there is no
    // I/O (no application object, or shut down).
    bool run(const std::function<void()>& job) {
        QObject* context = start();
        if (!context)
            return false;
        if (QThread::currentThread() == context->thread())
            job();
        else
            QMetaObject::invokeMethod(context, job, Qt::BlockingQueuedConnection);
        return true;
    }

    void post(std::function<void()> job) {
        if (QObject* context = start())
            QMetaObject::invokeMethod(context, std::move(job), Qt::QueuedConnection);
    }

    // On the I/O thread only.
    void adopt(QCanBusDevice* device) { devices_.insert(device); }
    bool alive(QCanBusDevice* device) const { return devices_.count(device) > 0; }
    void release(QCanBusDevice* device) {
        if (devices_.erase(device) > 0) {
            device->disconnectDevice();
            delete device;
        }
    }

    void shutdown() {
        std::unique_lock lock(mutex_);
        if (!thread_ || shutDown_)
            return;
        shutDown_ = true;
        QObject* context = context_;
        QThread* thread = thread_;
        lock.unlock();
        QMetaObject::invokeMethod(
            context,
            [this, context] {
                while (!devices_.empty())
                    release(*devices_.begin());
                delete context;
            },
            Qt::BlockingQueuedConnection);
        thread->quit();
        thread->wait();
        delete thread;
    }

private:
    QObject* start() {
        std::lock_guard lock(mutex_);
        if (shutDown_ || !QCoreApplication::instance())
            return nullptr;
        if (!thread_) {
            thread_ = new QThread;
            thread_->setObjectName(QStringLiteral("Kestrel CAN I/O"));
            context_ = new QObject;
            context_->moveToThread(thread_);
            thread_->start(QThread::TimeCriticalPriority);
            qAddPostRoutine(shutdownQtCanIo);
        }
        return context_;
    }

    std::mutex mutex_;
    QThread* thread_ = nullptr;
    QObject* context_ = nullptr;
    bool shutDown_ = false;
    std::set<QCanBusDevice*> devices_; // I/O thread only
};

// ---------------------------------------------------------------- frames

QCanBusFrame toQt(const CanFrame& f) {
    // A remote frame carries its requested length as the payload size.
    const QByteArray payload =
        f.remote ? QByteArray(f.len, '\0')
                 : QByteArray(reinterpret_cast<const char*>(f.data.data()), f.len);
    QCanBusFrame frame(f.id, payload);
    frame.setExtendedFrameFormat(f.extended);
    if (f.remote)
        frame.setFrameType(QCanBusFrame::RemoteRequestFrame);
    return frame;
}

// When the frame came, on the driver's clock: the kernel's or adapter's time
// stamp where it is on the system clock (SocketCAN), else the time it is read.
Clock::Time receivedAt(const QCanBusFrame& q) {
    using namespace std::chrono;
    const Clock::Time now = steadyClock().now();
    const QCanBusFrame::TimeStamp stamp = q.timeStamp();
    const auto stamped = seconds(stamp.seconds()) + microseconds(stamp.microSeconds());
    const auto age = system_clock::now().time_since_epoch() - stamped;
    return age >= Clock::Time::zero() && age < seconds(10) ? now - age : now;
}

CanFrame fromQt(const QCanBusFrame& q) {
    CanFrame f;
    f.id = q.frameId();
    f.extended = q.hasExtendedFrameFormat();
    f.remote = q.frameType() == QCanBusFrame::RemoteRequestFrame;
    const QByteArray payload = q.payload();
    f.len = static_cast<uint8_t>(std::min<qsizetype>(payload.size(), 8));
    if (!f.remote)
        std::copy_n(payload.constData(), f.len, f.data.begin());
    f.timeStampUs = static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(receivedAt(q)).count());
    return f;
}

// ---------------------------------------------------------------- channel

struct OpenWait {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<bool> connected;
    QString error;
    bool configurationRefused = false;

    void finish(bool ok) {
        std::lock_guard lock(mutex);
        if (!connected)
            connected = ok;
        done.notify_all();
    }
};

class QtCanChannel final : public CanChannel {
public:
    QtCanChannel(QString plugin, QString interfaceName, bool bitRateSettable)
        : plugin_(std::move(plugin)), interface_(std::move(interfaceName)),
          bitRateSettable_(bitRateSettable) {}
    ~QtCanChannel() override { close(); }

    bool open(uint32_t bitRate, ChannelListener& listener, std::string& note) override {
        const std::string name = plugin_.toStdString() + " " + interface_.toStdString();
        if (!bitRateSettable_) {
            note = name + ": a virtual bus, the bit rate does not apply";
            return tryOpen(0, listener, note);
        }
        std::string error;
        note.clear();
        if (!tryOpen(bitRate, listener, error) || configurationRefused_) {
            close();
            if (!tryOpen(0, listener, error)) {
                note = name + ": " + error;
                return false;
            }
            note = name + ": bit rate " + std::to_string(bitRate) +
                   " bit/s could not be set, running at the interface's own rate";
        }
        if (plugin_ != QLatin1String("socketcan") || checkSocketCanLink(name, bitRate, note))
            return true;
        close();
        return false;
    }

    void close() override {
        open_.store(false);
        {
            std::lock_guard lock(mark_->mutex);
            mark_->until = {};
            mark_->asking = false;
            mark_->listener = nullptr;
        }
        QtCanIo& io = QtCanIo::instance();
        io.run([&] {
            io.release(device_);
            device_ = nullptr;
        });
    }

    // Asks the I/O thread to go twice round its event loop: by then it has read
    // and handed over every frame the kernel held when asked.
    Clock::Time deliveredUntil(Clock::Time wanted) override {
        if (!open_.load())
            return Clock::kNever;
        std::lock_guard lock(mark_->mutex);
        if (mark_->until >= wanted || mark_->asking)
            return mark_->until;
        mark_->asking = true;
        QtCanIo& io = QtCanIo::instance();
        io.post([&io, mark = mark_, asked = steadyClock().now()] {
            io.post([mark, asked] { mark->reached(asked); });
        });
        return mark_->until;
    }

    bool write(const CanFrame& frame) override {
        if (!open_.load())
            return false;
        QtCanIo& io = QtCanIo::instance();
        io.post([this, &io, qframe = toQt(frame)] {
            if (io.alive(device_) && !device_->writeFrame(qframe))
                listener_->conditionChanged(kStatusWriteFailed, true);
        });
        return true;
    }

private:
    // Qt does not tell whether the bit rate could be set, so ask the kernel.
    // False with the reason in `note` when the interface is down; otherwise
    // `note` says whether it runs at another rate than `bitRate`.
    bool checkSocketCanLink(const std::string& name, uint32_t bitRate, std::string& note) const {
        const std::optional<SocketCanLink> link = querySocketCanLink(interface_.toStdString());
        if (!link)
            return true; // cannot ask: trust the opening
        if (!link->up) {
            note = name + ": the interface is down; bring it up with ip link set " +
                   interface_.toStdString() + " up";
            return false;
        }
        if (!link->bitRate)
            note = name + ": the interface has no bit rate of its own (virtual)";
        else if (*link->bitRate == bitRate)
            note.clear();
        else
            note = name + ": bit rate " + std::to_string(bitRate) +
                   " bit/s could not be set, running at the interface's own rate of " +
                   std::to_string(*link->bitRate) + " bit/s";
        return true;
    }

    // Opens the device (with `bitRate` unless 0) and waits until it is
    // connected; on failure `error` says why.
    bool tryOpen(uint32_t bitRate, ChannelListener& listener, std::string& error) {
        auto wait = std::make_shared<OpenWait>();
        listener_ = &listener;
        QtCanIo& io = QtCanIo::instance();
        const bool ran = io.run([&] { startDevice(io, bitRate, wait); });
        if (!ran) {
            error = "Qt CAN I/O is not available";
            return false;
        }
        std::unique_lock lock(wait->mutex);
        if (!wait->done.wait_for(lock, kOpenTimeout, [&] { return wait->connected.has_value(); }))
            wait->connected = false;
        configurationRefused_ = wait->configurationRefused;
        const bool connected = *wait->connected;
        if (!connected)
            error = wait->error.isEmpty() ? "not connected" : wait->error.toStdString();
        lock.unlock();
        if (!connected) {
            close();
            return false;
        }
        {
            std::lock_guard markLock(mark_->mutex);
            mark_->listener = &listener;
        }
        open_.store(true);
        return true;
    }

    // On the I/O thread.
    void startDevice(QtCanIo& io, uint32_t bitRate, const std::shared_ptr<OpenWait>& wait) {
        QString errorText;
        QCanBusDevice* device = QCanBus::instance()->createDevice(plugin_, interface_, &errorText);
        if (!device) {
            wait->error = errorText;
            wait->finish(false);
            return;
        }
        device_ = device;
        io.adopt(device);
        QObject::connect(
            device, &QCanBusDevice::errorOccurred, device,
            [this, device, wait](QCanBusDevice::CanBusError e) { onError(device, e, *wait); });
        QObject::connect(device, &QCanBusDevice::stateChanged, device,
                         [this, wait](QCanBusDevice::CanBusDeviceState s) { onState(s, *wait); });
        QObject::connect(device, &QCanBusDevice::framesReceived, device,
                         [this, device] { readFrames(device); });
        if (bitRate != 0)
            device->setConfigurationParameter(QCanBusDevice::BitRateKey,
                                              QVariant::fromValue(bitRate));
        // Classic frames only, and never the port's own frames back. The PEAK
        // backend has no ReceiveOwnKey (it never echoes) and refuses it with a
        // configuration error, which would pass for a refused bit rate.
        device->setConfigurationParameter(QCanBusDevice::CanFdKey, false);
        if (plugin_ != QLatin1String("peakcan"))
            device->setConfigurationParameter(QCanBusDevice::ReceiveOwnKey, false);
        if (!device->connectDevice()) {
            std::lock_guard lock(wait->mutex);
            wait->error = device->errorString();
        }
        onState(device->state(), *wait);
    }

    void onState(QCanBusDevice::CanBusDeviceState state, OpenWait& wait) {
        if (state == QCanBusDevice::ConnectedState) {
            wait.finish(true);
        } else if (state == QCanBusDevice::UnconnectedState) {
            wait.finish(false);
            if (open_.load())
                listener_->conditionChanged(kStatusAdapterLost, true);
        }
    }

    void onError(QCanBusDevice* device, QCanBusDevice::CanBusError e, OpenWait& wait) {
        {
            std::lock_guard lock(wait.mutex);
            if (!wait.connected) {
                wait.error = device->errorString();
                wait.configurationRefused |= e == QCanBusDevice::ConfigurationError;
            }
        }
        if (!open_.load())
            return;
        if (e == QCanBusDevice::WriteError)
            listener_->conditionChanged(kStatusWriteFailed, true);
        else if (e == QCanBusDevice::ReadError || e == QCanBusDevice::ConnectionError)
            listener_->conditionChanged(kStatusAdapterLost, true);
    }

    void readFrames(QCanBusDevice* device) {
        for (const QCanBusFrame& frame : device->readAllFrames()) {
            if (frame.frameType() == QCanBusFrame::ErrorFrame)
                reportErrorFrame(frame);
            else if (frame.isValid() && !frame.hasLocalEcho())
                listener_->frameReceived(fromQt(frame));
        }
    }

    void reportErrorFrame(const QCanBusFrame& frame) {
        const QCanBusFrame::FrameErrors errors = frame.error();
        if (errors & QCanBusFrame::BusOffError)
            listener_->conditionChanged(kStatusBusOff, true);
        if (errors & QCanBusFrame::ControllerRestartError) {
            listener_->conditionChanged(kStatusBusOff, false);
            listener_->conditionChanged(kStatusErrorPassive, false);
        }
        // Controller details: byte 1 bits 0x10 / 0x20 = receive / transmit error passive.
        const QByteArray payload = frame.payload();
        if ((errors & QCanBusFrame::ControllerError) && payload.size() > 1)
            listener_->conditionChanged(kStatusErrorPassive, (payload.at(1) & 0x30) != 0);
    }

    const QString plugin_;
    const QString interface_;
    const bool bitRateSettable_;
    std::atomic<bool> open_{false};
    bool configurationRefused_ = false;
    ChannelListener* listener_ = nullptr; // set before the device exists
    // How far the I/O thread has handed frames over; shared with its jobs,
    // which may outlive an opening.
    struct DeliveryMark {
        std::mutex mutex;
        Clock::Time until{};
        bool asking = false;
        ChannelListener* listener = nullptr;

        void reached(Clock::Time t) {
            ChannelListener* l = nullptr;
            {
                std::lock_guard lock(mutex);
                until = std::max(until, t);
                asking = false;
                l = listener;
            }
            if (l)
                l->channelCaughtUp();
        }
    };
    const std::shared_ptr<DeliveryMark> mark_ = std::make_shared<DeliveryMark>();
    QCanBusDevice* device_ = nullptr; // I/O thread only, after opening
};

// ---------------------------------------------------------------- providers

uint32_t trailingNumber(const QString& name) {
    qsizetype i = name.size();
    while (i > 0 && name.at(i - 1).isDigit())
        --i;
    return name.mid(i).toUInt();
}

bool virtualCanServerReachable() {
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, kVirtualCanPort);
    const bool reachable = probe.waitForConnected(kProbeTimeoutMs);
    probe.abort();
    return reachable;
}

class QtCanProvider final : public ChannelProvider {
public:
    explicit QtCanProvider(QtBackend backend) : backend_(backend) {}

    std::vector<ChannelInfo> scan() override {
        QList<QCanBusDeviceInfo> devices;
        QtCanIo& io = QtCanIo::instance();
        io.run([&] {
            if (backendPresent())
                devices = QCanBus::instance()->availableDevices(plugin());
        });
        std::vector<ChannelInfo> channels;
        QStringList names;
        for (const QCanBusDeviceInfo& d : devices) {
            channels.push_back(describe(d, static_cast<uint32_t>(channels.size())));
            names << d.name();
        }
        std::lock_guard lock(mutex_);
        summary_ = names.isEmpty() ? std::string()
                                   : label().toStdString() + ": " + names.join(' ').toStdString();
        return channels;
    }

    std::unique_ptr<CanChannel> create(const ChannelInfo& info) override {
        const QString name = QString::fromStdString(info.key).section('/', 1);
        return std::make_unique<QtCanChannel>(plugin(), name, backend_ != QtBackend::VirtualCan);
    }

    std::string summary() const override {
        std::lock_guard lock(mutex_);
        return summary_;
    }

private:
    // Asking a backend whose library or server is missing only fills the log.
    bool backendPresent() const {
        switch (backend_) {
        case QtBackend::SocketCan:
            return true;
        case QtBackend::PeakCan:
            return QLibrary(QStringLiteral("pcanbasic")).load();
        case QtBackend::VirtualCan:
            break;
        }
        return virtualCanServerReachable();
    }

    QString plugin() const {
        switch (backend_) {
        case QtBackend::SocketCan:
            return QStringLiteral("socketcan");
        case QtBackend::PeakCan:
            return QStringLiteral("peakcan");
        case QtBackend::VirtualCan:
            break;
        }
        return QStringLiteral("virtualcan");
    }

    QString label() const {
        switch (backend_) {
        case QtBackend::SocketCan:
            return QStringLiteral("SocketCAN");
        case QtBackend::PeakCan:
            return QStringLiteral("PCAN");
        case QtBackend::VirtualCan:
            break;
        }
        return QStringLiteral("Qt VirtualCAN");
    }

    ChannelInfo describe(const QCanBusDeviceInfo& d, uint32_t ordinal) const {
        ChannelInfo info;
        info.key = plugin().toStdString() + "/" + d.name().toStdString();
        info.name = label().toStdString();
        info.version = d.name().toStdString();
        info.moduleNumber = ordinal;
        switch (backend_) {
        case QtBackend::SocketCan:
            if (d.name().startsWith(QLatin1String("slcan"))) {
                info.typeCode = kTypeSerial;
                info.name = "Serial (slcan)";
                info.moduleNumber = trailingNumber(d.name());
            } else {
                info.typeCode = kTypeSocketCan;
            }
            break;
        case QtBackend::PeakCan:
            info.typeCode = kTypePeakCan;
            break;
        case QtBackend::VirtualCan:
            info.typeCode = kTypeEthernet;
            info.moduleNumber = 1;
            info.moduleCanPort = static_cast<uint8_t>(trailingNumber(d.name()));
            info.ip = {127, 0, 0, 1};
            info.version = "Qt " QT_VERSION_STR;
            break;
        }
        return info;
    }

    const QtBackend backend_;
    mutable std::mutex mutex_;
    std::string summary_;
};

} // namespace

std::unique_ptr<ChannelProvider> makeQtCanProvider(QtBackend backend) {
    return std::make_unique<QtCanProvider>(backend);
}

void shutdownQtCanIo() {
    QtCanIo::instance().shutdown();
}
