// The recording fake that other folders' tests use in place of the driver.

#include "FakeZarvo.h"

#include "ZarvoReader.h"
#include "ZarvoTrace.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

uint8_t g_lastState = 0xFF;
uint32_t g_lastRxId = 0;
uint8_t g_lastRxByte = 0;

void txCallback(uint32_t, uint8_t, uint8_t* state) {
    g_lastState = *state;
}
void rxCallback(uint32_t, uint8_t, uint32_t id, uint8_t, uint8_t, uint8_t, uint8_t* data) {
    g_lastRxId = id;
    g_lastRxByte = data[7];
}

} // namespace

// Kestrel's own additions answer as any other driver's binding does, unrecorded.
TEST(FakeZarvoTest, RecordsTheDriversOperationsAndHasNoTapsTracesOrReaders) {
    FakeZarvo fake;
    const ZarvoBinding& driver = fake.binding();
    driver.Zarvo_OpenPort(2, 500000);
    uint64_t tap = 0;
    EXPECT_EQ(driver.Zarvo_AddTap(2, nullptr, tap), kZarvoCannotTrace);
    driver.Zarvo_RemoveTap(tap);
    EXPECT_EQ(driver.Zarvo_StartTrace(2, nullptr), kZarvoCannotTrace);
    uint32_t reader = 0;
    EXPECT_EQ(driver.Zarvo_OpenReader(2, &reader), kZarvoNoReaders);
    ASSERT_EQ(fake.calls().size(), 1u);
    EXPECT_EQ(fake.calls()[0].op, "Zarvo_OpenPort");
    EXPECT_EQ(fake.calls()[0].port, 2u);
    EXPECT_EQ(fake.calls()[0].value, 500000);
}

TEST(FakeZarvoTest, SendGroupKeepsCopiesAfterTheCallerFreesItsBuffers) {
    FakeZarvo fake;
    {
        std::vector<type_ZarvoMsg> msgs(2);
        msgs[1].ID[0] = 0x81;
        msgs[1].Data[7] = 0x55;
        std::vector<int32_t> intervals{10, 20}, times{1, 0}, terminals{5, 6};
        fake.binding().Zarvo_SendGroup(1, 3, 2, msgs.data(), intervals.data(), times.data(),
                                       terminals.data());
    }
    const auto sends = fake.calls("Zarvo_SendGroup");
    ASSERT_EQ(sends.size(), 1u);
    EXPECT_EQ(sends[0].group, 3);
    EXPECT_EQ(sends[0].value, 2);
    ASSERT_EQ(sends[0].msgs.size(), 2u);
    EXPECT_EQ(sends[0].msgs[1].ID[0], 0x81);
    EXPECT_EQ(sends[0].msgs[1].Data[7], 0x55);
    EXPECT_EQ(sends[0].intervals, (std::vector<int32_t>{10, 20}));
    EXPECT_EQ(sends[0].times, (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(sends[0].terminals, (std::vector<int32_t>{5, 6}));
}

TEST(FakeZarvoTest, AnswersFromTheStateTheTestSetUp) {
    FakeZarvo fake;
    fake.setPorts(
        {{1000, 7, "Ethernet", "V1", 1, {192, 168, 0, 9}}, {1001, 3, "Serial", "V2", 0, {}}});
    fake.setPortStatus(1, 16);
    fake.pushRxFrame(1, {0x181, 0, 0, 8, {1, 2, 3, 4, 5, 6, 7, 8}});
    fake.setResult("Zarvo_StopGroup", 3);

    uint8_t count = 0;
    uint32_t types[kZarvoMaxPorts]{};
    char names[kZarvoMaxPorts * kZarvoTextSize]{};
    fake.binding().Zarvo_GetPortTable(&count, types, nullptr, nullptr, names, nullptr, nullptr);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(types[1], 1001u);
    EXPECT_STREQ(names + kZarvoTextSize, "Serial");

    uint8_t ip[4]{};
    fake.binding().Zarvo_GetModuleIP(7, ip);
    EXPECT_EQ(ip[3], 9);

    uint32_t status = 0;
    fake.binding().Zarvo_GetPortStatus(1, &status, nullptr);
    EXPECT_EQ(status, 16u);

    uint16_t waiting = 0;
    fake.binding().Zarvo_GetRxCount(1, &waiting);
    EXPECT_EQ(waiting, 1);
    uint32_t id = 0;
    uint8_t mode = 0, rtr = 0, len = 0, data[8]{};
    fake.binding().Zarvo_ReadFrame(1, &id, &mode, &rtr, &len, data, nullptr);
    EXPECT_EQ(id, 0x181u);
    EXPECT_EQ(data[7], 8);
    fake.binding().Zarvo_GetRxCount(1, &waiting);
    EXPECT_EQ(waiting, 0);

    EXPECT_EQ(fake.binding().Zarvo_StopGroup(0, 0), 3);
}

TEST(FakeZarvoTest, FiresTheRegisteredCallbacksAndWaitsForCallsFromOtherThreads) {
    FakeZarvo fake;
    EXPECT_FALSE(fake.fireTx(0, 1, 0));
    std::thread caller([] {
        FakeZarvo::binding().Zarvo_SetTxCallback(0, 1, txCallback);
        FakeZarvo::binding().Zarvo_SetRxCallback(0, 1, rxCallback);
    });
    ASSERT_TRUE(fake.waitForCalls("Zarvo_SetRxCallback", 1));
    caller.join();
    EXPECT_TRUE(fake.fireTx(0, 1, 1));
    EXPECT_EQ(g_lastState, 1);
    EXPECT_TRUE(fake.fireRx(0, 1, {0x7E8, 0, 0, 8, {0, 0, 0, 0, 0, 0, 0, 0x42}}));
    EXPECT_EQ(g_lastRxId, 0x7E8u);
    EXPECT_EQ(g_lastRxByte, 0x42);
    EXPECT_FALSE(fake.waitForCalls("Zarvo_StartSearch", 1, std::chrono::milliseconds(1)));
}
