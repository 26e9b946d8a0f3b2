// SimDevice.ini on disk: read like Kestrel's other files, and a file that
// cannot be used is logged with its line while the default device serves.

#include "SimDeviceFile.h"

#include "DriverLog.h"
#include "IniFile.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct FileCase {
    const char* what;
    QByteArray bytes;
    size_t broadcasts; // of the device in use
    std::string log;   // a part of the single log line; empty: nothing logged
};

QByteArray Utf16WithBom(const QString& text) {
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    return encoder(text);
}

TEST(SimDeviceFileTest, ReadsOrLogsTheLineAndServesTheDefaultDevice) {
    const size_t defaults = SimDeviceConfig::defaults().broadcasts.size();
    const FileCase cases[] = {
        {"no file", {}, defaults, {}},
        {"bad value", "[Broadcast]\nPeriod = fast\n", defaults, "line 2: bad Period 'fast'"},
        {"UTF-16, CR only", Utf16WithBom(QStringLiteral("[Broadcast]\rID = 0x123\r")), 1, {}},
        {"CR only, 11-bit identifier too large", "[Broadcast]\r; a\rID = 0x12345\r", defaults,
         "line 3: an identifier above 0x7FF with Format = 11"},
        {"binary", QByteArray("[Broadcast]\n\0", 13), defaults, "line 2 holds a NUL"},
        {"too large", QByteArray(kMaxIniFileBytes + 1, ';'), defaults, "larger than 4 MiB"},
    };
    for (const FileCase& c : cases) {
        QTemporaryDir dir;
        if (!c.bytes.isNull()) {
            QFile file(dir.filePath(QLatin1String(kSimDeviceFile)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.bytes);
        }
        std::vector<std::string> log;
        setDriverLogSink([&](const std::string& line) { log.push_back(line); });
        EXPECT_EQ(LoadSimDeviceFile(dir.path()).broadcasts.size(), c.broadcasts) << c.what;
        setDriverLogSink(nullptr);
        ASSERT_EQ(log.size(), c.log.empty() ? 0u : 1u) << c.what;
        if (!c.log.empty()) {
            EXPECT_NE(log[0].find(c.log), std::string::npos) << log[0];
            EXPECT_NE(log[0].find(kSimDeviceFile), std::string::npos) << log[0];
            EXPECT_NE(log[0].find("default device"), std::string::npos) << log[0];
        }
    }
}

} // namespace
