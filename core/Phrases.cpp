#include "Phrases.h"

#include "Globals.h"

#include <QFile>
#include <array>
#include <atomic>

namespace {

constexpr int kLanguageCount = 3;
const QString kMarkerFiles[kLanguageCount] = {QStringLiteral("ENG.ENG"), QStringLiteral("SC.SC"),
                                              QStringLiteral("TC.TC")};

// Row N in English, Simplified Chinese and Traditional Chinese. Leading and
// trailing spaces belong to the texts; \u3000 is the ideographic space.
constexpr const char16_t* kRows[kPhraseCount][kLanguageCount] = {
    /*   0 */ {u"Login", u"人员登入", u"人員登入"},
    /*   1 */ {u"Tester Configuration", u"个人数据设定", u"個人參數設定"},
    /*   2 */ {u"Update Tester", u"增修测试人员", u"增修測試人員"},
    /*   3 */ {u"Tester Login", u"测试人员登入", u"測試人員登入"},
    /*   4 */ {u"Delete Tester", u"测试人员注销", u"刪除測試人員"},
    /*   5 */ {u"Exit System", u"离开系统", u"離開系統"},
    /*   6 */ {u"Parameters Setting", u"参数设定", u"參數設定"},
    /*   7 */ {u"Maintain Test File", u"测试设定档维护", u"測試設定檔維護"},
    /*   8 */ {u"Test Items", u"测试项目设定", u"測試項目設定"},
    /*   9 */ {u"Zarvo Port", u"CAN 设备设定", u"CAN 設備設定"},
    /*  10 */ {u"Save As Test File", u"另存配置文件", u"另存配置文件"},
    /*  11 */ {u"Device Management", u"增修待測仪表型号", u"增修待測設備"},
    /*  12 */ {u"View Report", u"检视报表", u"檢視報表"},
    /*  13 */ {u"About", u"关于", u"關於"},
    /*  14 */ {u"Language", u"语言", u"語言"},
    /*  15 */ {u"Current Configuration File", u"目前配置文件", u"目前配置文件"},
    /*  16 */ {u"No configuration file exist!", u"未加载配置文件!", u"未載入配置文件"},
    /*  17 */ {u"Single", u"单一", u"單一"},
    /*  18 */ {u"Test", u"测试", u"測試"},
    /*  19 */ {u"Multiple", u"全部", u"全部"},
    /*  20 */ {u"Tests", u"测试", u"測試"},
    /*  21 */ {u"Import", u"导入", u"載入"},
    /*  22 */ {u"Config", u"配置文件", u"配置文件"},
    /*  23 */ {u"Test Name", u"功能描述", u"功能描述"},
    /*  24 */ {u"Test Parameter", u"功能参数", u"功能參數"},
    /*  25 */ {u"Start Time", u"起始时间", u"起始時間"},
    /*  26 */ {u"End Time", u"结束时间", u"結束時間"},
    /*  27 */ {u"Result", u"测试结果", u"測試結果"},
    /*  28 */
    {u"Create New CAN Configuration File", u"CAN 通 信 文 件 创 建", u"建 立  CAN  配 置 文 件"},
    /*  29 */ {u"Tx.", u"发送", u"發送"},
    /*  30 */ {u"Total Time(Sec)", u"命令重复次数(次)", u"命令重複次數(次)"},
    /*  31 */ {u"Item Interval(ms)", u"命令间隔时间(ms)", u"命令間隔時間(ms)"},
    /*  32 */ {u"Comp.", u"比对", u"比對"},
    /*  33 */ {u"N/A", u"无", u"無"},
    /*  34 */ {u"Add Item", u"新增项目", u"新增項目"},
    /*  35 */ {u"Edit Item", u"修改项目", u"修改項目"},
    /*  36 */ {u"Delete Item", u"删除项目", u"刪除項目"},
    /*  37 */ {u"Save As", u"另存设定", u"另存設定"},
    /*  38 */ {u"Save", u"储存设定", u"儲存設定"},
    /*  39 */ {u"Return", u"回主画面", u"回主畫面"},
    /*  40 */
    {u"#The data has been changed and not saved.", u"＃设定值已更新，尚待储存!",
     u"＃設定值已更新，尚待儲存！"},
    /*  41 */
    {u"     New Test Item and Response Data", u"     新  增 CAN 命  令  及  比  对  值",
     u"    新  增  CAN  命  令  及  比  對  值"},
    /*  42 */ {u"Add. OK", u"确定新增", u"確定新增"},
    /*  43 */ {u"Update OK", u"确定修改", u"確定修改"},
    /*  44 */ {u"CAN Transmission Message", u"发 送 CAN 命 令", u"發 送 CAN 命 令"},
    /*  45 */ {u"CAN Response Message", u"返 回 值 填 写", u"CAN返回值比對"},
    /*  46 */ {u"Description", u"功能描述", u"功能描述"},
    /*  47 */ {u"Parameter", u"功能参数", u"功能參數"},
    /*  48 */ {u"Item Interval ", u"命令间隔时间", u"命令間隔時間"},
    /*  49 */ {u"Total  Times ", u"命令重复次数", u"命令重複次數"},
    /*  50 */ {u"   ", u"次", u"次"},
    /*  51 */ {u"Cancel", u"取消", u"取消"},
    /*  52 */ {u"Add new item successfully !", u"新  增  成  功!", u"新  增  成  功!"},
    /*  53 */ {u"Kestrel System", u"Kestrel 通讯程序", u"Kestrel 通訊軟體"},
    /*  54 */
    {u"The transmission CAN message which the ", u"您所输入的发送命令", u"您所輸入的發送命令"},
    /*  55 */ {u"is an illegal Hex. data.", u"不是有效的 16 进制值!", u"不是有效的 16 進制值!"},
    /*  56 */ {u"Please input again!!", u"请重新输入!", u"請重新輸入!"},
    /*  57 */
    {u"The value of the [Item Interval Time] is an illegal Dec. data.",
     u"您所输入的 命令间隔时间(ms)  不是有效的 10 进制值!",
     u"您所輸入的 命令間隔時間(ms)  不是有效的 10 進制值!"},
    /*  58 */
    {u"The value of the [Total Time] is an illegal Dec. data.",
     u"您所输入的 命令维持总时间(秒)  不是有效的 10 进制值!",
     u"您所輸入的 命令維持總時間(秒)  不是有效的 10 進制值!"},
    /*  59 */
    {u"The comparison of the CAN message which is the ", u"您所输入的比对值", u"您所輸入的比對值"},
    /*  60 */
    {u"Before updating the test item, click the [Main Description] of the item first.",
     u"请先点选 [功能描述] 后，再执行修改的动作!", u"請先點選 [功能描述] 後，再執行修改的動作!"},
    /*  61 */
    {u"   Update Test Items and Replied Data", u"     修  改 CAN 命  令  及  比  对  值",
     u"    修  改  CAN  命  令  及  比  對  值"},
    /*  62 */
    {u"Do you want to overwrite the current configuration file?",
     u"是否要用新的设定值覆盖旧的档案?", u"是否要用新的設定值覆蓋舊的檔案?"},
    /*  63 */ {u"Save OK", u"储 存 完 成", u"儲 存 完 成"},
    /*  64 */
    {u"Before deleting the test item, click the [Main Description] of the item first.",
     u"请先点选 [功能描述] 后，再执行删除的动作!", u"請先點選 [功能描述] 後，再執行刪除的動作!"},
    /*  65 */
    {u"Are you sure that you want to delete this item ?", u"您确定要删除这个测试项目吗?",
     u"您確定要刪除這個測試項目嗎?"},
    /*  66 */ {u"Delete OK !", u"删  除  完  成 !", u"刪\u3000除\u3000完   成!"},
    /*  67 */ {u"Update OK !", u"修\u3000改\u3000成\u3000功!", u"修\u3000改\u3000成\u3000功!"},
    /*  68 */
    {u"The file you selected is already exist!!", u"您所选择的档案已存在!!",
     u"您所選擇的檔案已存在!!"},
    /*  69 */
    {u"The configuration file has been change to the ", u"配置文件已变更为", u"配置文件已變更為"},
    /*  70 */
    {u"The setting which you have updated does not save.", u"您刚刚所修改的设定尚未储存!",
     u"您剛剛所修改的設定尚未儲存!"},
    /*  71 */
    {u"Are you sure that you want to ignore the changes and return to the main menu?",
     u"您确定要离开设定页面并忽略修改的设定值吗?", u"您確定要離開設定頁面並忽略修改的設定值嗎?"},
    /*  72 */ {u"Processing.... Please wait!!", u"程序处理中，请稍候...", u"程序處理中，請稍候..."},
    /*  73 */ {u"The testing process is complete!", u"测试工作已完成!", u"測試工作已完成!"},
    /*  74 */
    {u"Before the [Single Test] process, click the [Main Description] of the item first.",
     u"请先点选 [功能描述] 后，再执行单一项测试的动作!",
     u"請先點選 [功能描述] 後，再執行單一測試的動作!"},
    /*  75 */
    {u"The file you selected is not exist!!", u"您所选择的档案不存在!!", u"您所選擇的檔案不存在!!"},
    /*  76 */
    {u"Please select the configuration file again!!", u"请重新加载配置文件!!",
     u"請重新載入配置文件!"},
    /*  77 */
    {u"            Configuration of The CAN bus Parameter",
     u"            CAN  通  讯  设  备  参  数  设  定",
     u"            CAN  通  訊  設  備  參  數  設  定"},
    /*  78 */ {u"Search CAN", u"搜寻CAN设备", u"搜尋CAN設備"},
    /*  79 */ {u"Zarvo Port", u"要使用的CAN埠", u"要使用的CAN埠"},
    /*  80 */ {u"Save CAN Setting", u"储存 CAN 参数设定", u"儲存 CAN 參數設定"},
    /*  81 */ {u"Search CAN devices again!", u"请重新搜寻 CAN 硬件！", u"請重新搜尋CAN硬體!"},
    /*  82 */
    {u"The Zarvo port is error. Please search CAN devices again!",
     u"Zarvo埠设定有错误，请重新搜寻CAN 设备！", u"Zarvo埠設定有錯誤，請重新搜尋CAN 設備！"},
    /*  83 */
    {u"Before moving the test item, click the [Main Description] of the item first.",
     u"请先点选 [功能描述] 后，再执行上下移动的动作!",
     u"請先點選 [功能描述] 後，再執行上下移動的動作!"},
    /*  84 */ {u"Move Up", u"上移", u"上移"},
    /*  85 */ {u"Move Down", u"下移", u"下移"},
    /*  86 */
    {u"Are you sure to save the changes to the current configuration file?",
     u"是否要储存目前设定值到配置文件中?", u"是否要儲存目前設定值到配置文件中?"},
    /*  87 */ {u"Remarks", u"备注", u"備註"},
    /*  88 */ {u"View", u"检视", u"檢視"},
    /*  89 */ {u"Trend", u"趋势图", u"趨勢圖"},
    /*  90 */ {u"Trend CAN ID", u"趋势图的CAN ID", u"趨勢圖的CAN ID"},
    /*  91 */ {u"Trend", u"趋势图", u"趨勢圖"},
    /*  92 */ {u"DataView", u"检视资料", u"檢視資料"},
    /*  93 */
    {u"Configure CAN ID for Trend", u"趋 势 图 的 CAN  讯 息 设 定",
     u"趨 勢 圖 的 CAN  訊 息 設 定"},
    /*  94 */ {u"Description", u"数据功能描述", u"資料功能描述"},
    /*  95 */ {u"Parameter", u"数据功能参数", u"資料功能參數"},
    /*  96 */ {u"Data Type", u"数据的型态", u"資料的型態"},
    /*  97 */ {u"Data Range", u"数据的范围", u"資料的範圍"},
    /*  98 */ {u"CAN ID", u"关注的 CAN ID", u"關注的 CAN ID"},
    /*  99 */ {u"Add.", u"加入", u"加入"},
    /* 100 */ {u"View", u"检视", u"檢視"},
    /* 101 */ {u"Value", u"数值", u"數值"},
    /* 102 */ {u"Multiple Sent", u"同时发送", u"同時發送"},
    /* 103 */ {u"Next Time", u"次笔发送间隔", u"次筆發送間隔"},
    /* 104 */
    {u"The value of the [Terminal Time] is an illegal Dec. data.",
     u"您所输入的 次笔发送间隔(ms)  不是有效的 10 进制值!",
     u"您所輸入的次筆發送間隔(ms)  不是有效的 10 进制值!"},
    /* 105 */ {u"Next Time(ms) ", u"次笔发送间隔(ms) ", u"次筆發送間隔(ms) "},
    /* 106 */ {u"Need Return ID of the Message.", u"必须填入返回值ID", u"必须填入返回值ID"},
};

using Tables = std::array<QStringList, kLanguageCount>;

const Tables& AllTables() {
    static const Tables tables = [] {
        Tables built;
        for (int language = 0; language < kLanguageCount; ++language) {
            for (const auto& row : kRows)
                built[language].append(QString::fromUtf16(row[language]));
        }
        return built;
    }();
    return tables;
}

// Read by worker threads that build messages, changed by the Language menu.
std::atomic<int> currentLanguage{0};

QString MarkerPath(const QString& folder, int language) {
    return folder + QLatin1Char('/') + kMarkerFiles[language];
}

} // namespace

const QStringList& PhraseTable() {
    return AllTables()[currentLanguage.load()];
}

const QString& Phrase(int row) {
    static const QString empty;
    const QStringList& table = PhraseTable();
    return row >= 0 && row < table.size() ? table[row] : empty;
}

QString SearchAgainText(uint32_t status) {
    constexpr int kPhraseSearchAgain = 81; // "Search CAN devices again!"
    constexpr int kMaxLength = 100;
    return QStringLiteral("%1 ( %2 )")
        .arg(Phrase(kPhraseSearchAgain))
        .arg(static_cast<int32_t>(status))
        .left(kMaxLength);
}

void SetLanguage(int index) {
    if (index < 0 || index >= kLanguageCount)
        return;
    currentLanguage.store(index);
    LanguageIndex = static_cast<uint8_t>(index);
}

int LanguageFromMarkers(const QString& folder) {
    if (QFile::exists(MarkerPath(folder, 1)))
        return 1;
    if (QFile::exists(MarkerPath(folder, 2)))
        return 2;
    return 0;
}

void RememberLanguage(const QString& folder, int index) {
    if (index < 0 || index >= kLanguageCount)
        return;
    // A marker that cannot be written only costs the choice at the next start.
    QFile marker(MarkerPath(folder, index));
    marker.open(QIODevice::WriteOnly | QIODevice::Truncate);
    for (int other = 0; other < kLanguageCount; ++other) {
        if (other != index)
            QFile::remove(MarkerPath(folder, other));
    }
}
