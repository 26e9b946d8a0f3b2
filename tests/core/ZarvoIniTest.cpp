#include "ZarvoIni.h"

#include "ConfigFile.h"
#include "Convert.h"
#include "CoreTestSupport.h"
#include "IniFile.h"

#include <QStringEncoder>

namespace {

class ZarvoIniTest : public TableTest {
protected:
    void SetUp() override {
        TableTest::SetUp();
        ZarvoPort = 0;
        ZarvoBaudRate = 250000;
    }
    QString zarvo() const { return path(QStringLiteral("Zarvo.ini")); }
};

TEST_F(ZarvoIniTest, MissingFileOrSectionKeepsTheValues) {
    ZarvoPort = 5;
    ZarvoBaudRate = 125000;
    EXPECT_EQ(ReadZarvoIni(dir.path()), -1);
    writeFile(QStringLiteral("Zarvo.ini"), "[Other]\nZarvoPort=3\n");
    EXPECT_EQ(ReadZarvoIni(dir.path()), -2);
    EXPECT_EQ(ZarvoPort, 5);
    EXPECT_EQ(ZarvoBaudRate, 125000u);
}

struct ZarvoCase {
    QByteArray file;
    int port;
    uint32_t baudRate;
};

// As Notepad saves "Unicode big endian", with the byte order mark.
QByteArray Utf16BigEndian(const char* text) {
    QStringEncoder encoder(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom);
    return encoder(QString::fromLatin1(text));
}

class ZarvoIniRead : public ZarvoIniTest, public ::testing::WithParamInterface<ZarvoCase> {};

TEST_P(ZarvoIniRead, ReadsBothValues) {
    writeFile(QStringLiteral("Zarvo.ini"), GetParam().file);
    EXPECT_EQ(ReadZarvoIni(dir.path()), 0);
    EXPECT_EQ(ZarvoPort, GetParam().port);
    EXPECT_EQ(ZarvoBaudRate, GetParam().baudRate);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ZarvoIniRead,
    ::testing::Values(ZarvoCase{"[ORBTEC_ZarvoPortConfig]\nZarvoPort=3\n", 3, 250000},
                      ZarvoCase{"[ORBTEC_ZarvoPortConfig]\nZarvoBaudRate=500000\n", 0, 500000},
                      ZarvoCase{"[ORBTEC_ZarvoPortConfig]\r\nZarvoPort = 258\r\n", 2, 250000},
                      ZarvoCase{"[ORBTEC_ZarvoPortConfig]\rZarvoPort=7\rZarvoBaudRate=5000\r", 7,
                                5000},
                      ZarvoCase{Utf16BigEndian("[ORBTEC_ZarvoPortConfig]\rZarvoPort=4"), 4, 250000},
                      ZarvoCase{"[x]\nZarvoPort=9\n[orbtec_zarvoportconfig]\nzarvoport=1\n"
                                "ZARVOBAUDRATE=1000000\n",
                                1, 1000000}));

TEST_F(ZarvoIniTest, FileThatIsNoTextOrTooLargeIsRefusedNamingItAndChangesNothing) {
    for (const QByteArray& bytes :
         {QByteArray("[ORBTEC_ZarvoPortConfig]\nZarvoPort=\0", 37),
          "[ORBTEC_ZarvoPortConfig]\nZarvoPort=1\n;" + QByteArray(kMaxIniFileBytes, ' ')}) {
        writeFile(QStringLiteral("Zarvo.ini"), bytes);
        try {
            ReadZarvoIni(dir.path());
            FAIL() << "the read did not fail";
        } catch (const IniFileError& error) {
            EXPECT_TRUE(QString::fromUtf8(error.what())
                            .startsWith(QStringLiteral("Cannot read ") + zarvo()))
                << error.what();
        }
        EXPECT_EQ(ZarvoPort, 0);
    }
}

TEST_F(ZarvoIniTest, BadValueIsReportedAndChangesNothing) {
    writeFile(QStringLiteral("Zarvo.ini"),
              "[ORBTEC_ZarvoPortConfig]\nZarvoPort=4\nZarvoBaudRate=250k\n");
    try {
        ReadZarvoIni(dir.path());
        FAIL() << "the read did not fail";
    } catch (const ConvertError& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()),
                  zarvo() + QStringLiteral(
                                ", line 3, ZarvoBaudRate: '250k' is not a valid integer value"));
    }
    EXPECT_EQ(ZarvoPort, 0);
    EXPECT_EQ(ZarvoBaudRate, 250000u);
}

TEST_F(ZarvoIniTest, FirstSaveCreatesTheFileWithBothKeys) {
    ZarvoPort = 7;
    ZarvoBaudRate = 125000;
    WriteZarvoIni(dir.path());
    EXPECT_EQ(readFile(QStringLiteral("Zarvo.ini")),
              QByteArray("[ORBTEC_ZarvoPortConfig]\nZarvoPort=7\nZarvoBaudRate=125000\n"));
    ZarvoPort = 0;
    ZarvoBaudRate = 0;
    EXPECT_EQ(ReadZarvoIni(dir.path()), 0);
    EXPECT_EQ(ZarvoPort, 7);
    EXPECT_EQ(ZarvoBaudRate, 125000u);
}

TEST_F(ZarvoIniTest, ANegativeBitRateThatWasReadIsSavedReadably) {
    writeFile(QStringLiteral("Zarvo.ini"), "[ORBTEC_ZarvoPortConfig]\nZarvoBaudRate=-22\n");
    ASSERT_EQ(ReadZarvoIni(dir.path()), 0);
    WriteZarvoIni(dir.path());
    ZarvoBaudRate = 0;
    EXPECT_EQ(ReadZarvoIni(dir.path()), 0);
    EXPECT_EQ(static_cast<int32_t>(ZarvoBaudRate), -22);
}

TEST_F(ZarvoIniTest, SavingKeepsEverythingElse) {
    writeFile(QStringLiteral("Zarvo.ini"), "; written by hand\r\n"
                                           "[Before]\r\n"
                                           "a=1\r\n"
                                           "[ORBTEC_ZarvoPortConfig]\r\n"
                                           "ZarvoBaudRate=500000\r\n"
                                           "Note=keep me\r\n"
                                           "[After]\r\n"
                                           "b=2\r\n");
    ZarvoPort = 2;
    ZarvoBaudRate = 1000000;
    WriteZarvoIni(dir.path());
    EXPECT_EQ(readFile(QStringLiteral("Zarvo.ini")), QByteArray("; written by hand\n"
                                                                "[Before]\n"
                                                                "a=1\n"
                                                                "[ORBTEC_ZarvoPortConfig]\n"
                                                                "ZarvoBaudRate=1000000\n"
                                                                "Note=keep me\n"
                                                                "ZarvoPort=2\n"
                                                                "[After]\n"
                                                                "b=2\n"));
}

TEST_F(ZarvoIniTest, UnwritableFolderIsReported) {
    EXPECT_THROW(WriteZarvoIni(path(QStringLiteral("missing"))), ConfigWriteError);
}

} // namespace
