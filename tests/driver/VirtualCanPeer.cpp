// The other side of the two-process test: a device on Qt's virtual CAN bus
// (channel can0) that answers every data frame with identifier + 8 and byte 0
// + 0x40, like the simulated device. Prints "ready" once it is connected;
// the test kills it when done.

#include <QCanBus>
#include <QCanBusDevice>
#include <QCoreApplication>
#include <cstdio>
#include <memory>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QString error;
    std::unique_ptr<QCanBusDevice> device(QCanBus::instance()->createDevice(
        QStringLiteral("virtualcan"), QStringLiteral("can0"), &error));
    if (!device) {
        std::fprintf(stderr, "virtualcan: %s\n", qPrintable(error));
        return 1;
    }
    QObject::connect(device.get(), &QCanBusDevice::stateChanged,
                     [](QCanBusDevice::CanBusDeviceState s) {
                         if (s == QCanBusDevice::ConnectedState) {
                             std::puts("ready");
                             std::fflush(stdout);
                         }
                     });
    QObject::connect(device.get(), &QCanBusDevice::framesReceived, [&device] {
        for (QCanBusFrame frame : device->readAllFrames()) {
            if (frame.frameType() != QCanBusFrame::DataFrame)
                continue;
            QByteArray payload = frame.payload();
            if (!payload.isEmpty())
                payload[0] = static_cast<char>(payload[0] + 0x40);
            frame.setFrameId(frame.frameId() + 8);
            frame.setPayload(payload);
            device->writeFrame(frame);
        }
    });
    if (!device->connectDevice()) {
        std::fprintf(stderr, "virtualcan: %s\n", qPrintable(device->errorString()));
        return 1;
    }
    return app.exec();
}
