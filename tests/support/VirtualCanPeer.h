#pragma once
// The tests on Qt's virtual CAN bus: the peer process (tests/driver,
// virtualcan_peer) that answers every data frame with identifier + 8 and byte
// 0 + 0x40, and the driver's search that finds its server.

#include "ZarvoApi.h"

#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

// Starts `program` and waits until it reports that it is connected.
inline ::testing::AssertionResult StartVirtualCanPeer(QProcess& peer, const QString& program) {
    peer.start(program, {});
    if (!peer.waitForStarted(10000))
        return ::testing::AssertionFailure() << "the peer did not start";
    if (!peer.waitForReadyRead(20000))
        return ::testing::AssertionFailure() << peer.readAllStandardError().toStdString();
    if (peer.readLine().trimmed() != "ready")
        return ::testing::AssertionFailure() << "the peer did not report ready";
    return ::testing::AssertionSuccess();
}

// Runs the driver's device search to its end (the port table then lists the
// peer's server); false when it does not end within 20 s.
inline bool SearchCanDevices() {
    builtinZarvoBinding().Zarvo_StartSearch();
    uint8_t percent = 0;
    for (int i = 0; i < 2000 && percent < 100; ++i) {
        QThread::msleep(10);
        builtinZarvoBinding().Zarvo_GetSearchProgress(&percent);
    }
    return percent == 100;
}
