#include "Phrases.h"

#include "Globals.h"

#include <QFile>
#include <QStringList>
#include <array>
#include <atomic>
#include <iterator>

namespace {

constexpr int kLanguageCount = 3;
const QString kMarkerFiles[kLanguageCount] = {QStringLiteral("ENG.ENG"), QStringLiteral("SC.SC"),
                                              QStringLiteral("TC.TC")};

struct PhraseRow {
    PhraseId id;
    const char16_t* texts[kLanguageCount];
};

// Each text in English, Simplified Chinese and Traditional Chinese. Leading and
// trailing spaces belong to the texts; \u3000 is the ideographic space.
constexpr PhraseRow kRows[] = {
    {PhraseId::MenuLogin, {u"Login", u"人员登入", u"人員登入"}},
    {PhraseId::MenuTesterConfiguration,
     {u"Tester Configuration", u"个人数据设定", u"個人參數設定"}},
    {PhraseId::MenuUpdateTester, {u"Update Tester", u"增修测试人员", u"增修測試人員"}},
    {PhraseId::MenuTesterLogin, {u"Tester Login", u"测试人员登入", u"測試人員登入"}},
    {PhraseId::MenuDeleteTester, {u"Delete Tester", u"测试人员注销", u"刪除測試人員"}},
    {PhraseId::MenuExitSystem, {u"Exit System", u"离开系统", u"離開系統"}},
    {PhraseId::MenuParameters, {u"Parameters Setting", u"参数设定", u"參數設定"}},
    {PhraseId::MenuMaintainTestFile, {u"Maintain Test File", u"测试设定档维护", u"測試設定檔維護"}},
    {PhraseId::MenuTestItems, {u"Test Items", u"测试项目设定", u"測試項目設定"}},
    {PhraseId::MenuZarvoPort, {u"Zarvo Port", u"CAN 设备设定", u"CAN 設備設定"}},
    {PhraseId::MenuSaveAs, {u"Save As Test File", u"另存配置文件", u"另存配置文件"}},
    {PhraseId::MenuDeviceManagement, {u"Device Management", u"增修待測仪表型号", u"增修待測設備"}},
    {PhraseId::MenuViewReport, {u"View Report", u"检视报表", u"檢視報表"}},
    {PhraseId::MenuAbout, {u"About", u"关于", u"關於"}},
    {PhraseId::MenuLanguage, {u"Language", u"语言", u"語言"}},
    {PhraseId::CurrentConfigLabel,
     {u"Current Configuration File", u"目前配置文件", u"目前配置文件"}},
    {PhraseId::NoConfigFile,
     {u"No configuration file exist!", u"未加载配置文件!", u"未載入配置文件"}},
    {PhraseId::ButtonSingle, {u"Single", u"单一", u"單一"}},
    {PhraseId::ButtonTest, {u"Test", u"测试", u"測試"}},
    {PhraseId::ButtonMultiple, {u"Multiple", u"全部", u"全部"}},
    {PhraseId::ButtonTests, {u"Tests", u"测试", u"測試"}},
    {PhraseId::ButtonImport, {u"Import", u"导入", u"載入"}},
    {PhraseId::ButtonConfig, {u"Config", u"配置文件", u"配置文件"}},
    {PhraseId::HeaderTestName, {u"Test Name", u"功能描述", u"功能描述"}},
    {PhraseId::HeaderTestParameter, {u"Test Parameter", u"功能参数", u"功能參數"}},
    {PhraseId::HeaderStartTime, {u"Start Time", u"起始时间", u"起始時間"}},
    {PhraseId::HeaderEndTime, {u"End Time", u"结束时间", u"結束時間"}},
    {PhraseId::HeaderResult, {u"Result", u"测试结果", u"測試結果"}},
    {PhraseId::EditorTitle,
     {u"Create New CAN Configuration File", u"CAN 通 信 文 件 创 建", u"建 立  CAN  配 置 文 件"}},
    {PhraseId::HeaderTransmit, {u"Tx.", u"发送", u"發送"}},
    {PhraseId::HeaderTotalTime, {u"Total Time(Sec)", u"命令重复次数(次)", u"命令重複次數(次)"}},
    {PhraseId::HeaderItemInterval,
     {u"Item Interval(ms)", u"命令间隔时间(ms)", u"命令間隔時間(ms)"}},
    {PhraseId::HeaderCompare, {u"Comp.", u"比对", u"比對"}},
    {PhraseId::NotCompared, {u"N/A", u"无", u"無"}},
    {PhraseId::AddItem, {u"Add Item", u"新增项目", u"新增項目"}},
    {PhraseId::EditItem, {u"Edit Item", u"修改项目", u"修改項目"}},
    {PhraseId::DeleteItem, {u"Delete Item", u"删除项目", u"刪除項目"}},
    {PhraseId::SaveAs, {u"Save As", u"另存设定", u"另存設定"}},
    {PhraseId::Save, {u"Save", u"储存设定", u"儲存設定"}},
    {PhraseId::Return, {u"Return", u"回主画面", u"回主畫面"}},
    {PhraseId::UnsavedChanges,
     {u"#The data has been changed and not saved.", u"＃设定值已更新，尚待储存!",
      u"＃設定值已更新，尚待儲存！"}},
    {PhraseId::NewItemTitle,
     {u"     New Test Item and Response Data", u"     新  增 CAN 命  令  及  比  对  值",
      u"    新  增  CAN  命  令  及  比  對  值"}},
    {PhraseId::AddOk, {u"Add. OK", u"确定新增", u"確定新增"}},
    {PhraseId::UpdateOk, {u"Update OK", u"确定修改", u"確定修改"}},
    {PhraseId::TransmitMessage,
     {u"CAN Transmission Message", u"发 送 CAN 命 令", u"發 送 CAN 命 令"}},
    {PhraseId::ResponseMessage, {u"CAN Response Message", u"返 回 值 填 写", u"CAN返回值比對"}},
    {PhraseId::ItemDescription, {u"Description", u"功能描述", u"功能描述"}},
    {PhraseId::ItemParameter, {u"Parameter", u"功能参数", u"功能參數"}},
    {PhraseId::ItemInterval, {u"Item Interval ", u"命令间隔时间", u"命令間隔時間"}},
    {PhraseId::ItemTotalTimes, {u"Total  Times ", u"命令重复次数", u"命令重複次數"}},
    {PhraseId::TimesUnit, {u"   ", u"次", u"次"}},
    {PhraseId::Cancel, {u"Cancel", u"取消", u"取消"}},
    {PhraseId::ItemAdded, {u"Add new item successfully !", u"新  增  成  功!", u"新  增  成  功!"}},
    {PhraseId::Caption, {u"Kestrel System", u"Kestrel 通讯程序", u"Kestrel 通訊軟體"}},
    {PhraseId::IllegalTransmitStart,
     {u"The transmission CAN message which the ", u"您所输入的发送命令", u"您所輸入的發送命令"}},
    {PhraseId::IllegalHex,
     {u"is an illegal Hex. data.", u"不是有效的 16 进制值!", u"不是有效的 16 進制值!"}},
    {PhraseId::InputAgain, {u"Please input again!!", u"请重新输入!", u"請重新輸入!"}},
    {PhraseId::IllegalItemInterval,
     {u"The value of the [Item Interval Time] is an illegal Dec. data.",
      u"您所输入的 命令间隔时间(ms)  不是有效的 10 进制值!",
      u"您所輸入的 命令間隔時間(ms)  不是有效的 10 進制值!"}},
    {PhraseId::IllegalTotalTime,
     {u"The value of the [Total Time] is an illegal Dec. data.",
      u"您所输入的 命令维持总时间(秒)  不是有效的 10 进制值!",
      u"您所輸入的 命令維持總時間(秒)  不是有效的 10 進制值!"}},
    {PhraseId::IllegalComparisonStart,
     {u"The comparison of the CAN message which is the ", u"您所输入的比对值",
      u"您所輸入的比對值"}},
    {PhraseId::SelectItemToEdit,
     {u"Before updating the test item, click the [Main Description] of the item first.",
      u"请先点选 [功能描述] 后，再执行修改的动作!", u"請先點選 [功能描述] 後，再執行修改的動作!"}},
    {PhraseId::EditItemTitle,
     {u"   Update Test Items and Replied Data", u"     修  改 CAN 命  令  及  比  对  值",
      u"    修  改  CAN  命  令  及  比  對  值"}},
    {PhraseId::AskOverwriteConfig,
     {u"Do you want to overwrite the current configuration file?",
      u"是否要用新的设定值覆盖旧的档案?", u"是否要用新的設定值覆蓋舊的檔案?"}},
    {PhraseId::SaveOk, {u"Save OK", u"储 存 完 成", u"儲 存 完 成"}},
    {PhraseId::SelectItemToDelete,
     {u"Before deleting the test item, click the [Main Description] of the item first.",
      u"请先点选 [功能描述] 后，再执行删除的动作!", u"請先點選 [功能描述] 後，再執行刪除的動作!"}},
    {PhraseId::AskDeleteItem,
     {u"Are you sure that you want to delete this item ?", u"您确定要删除这个测试项目吗?",
      u"您確定要刪除這個測試項目嗎?"}},
    {PhraseId::Deleted, {u"Delete OK !", u"删  除  完  成 !", u"刪\u3000除\u3000完   成!"}},
    {PhraseId::Updated,
     {u"Update OK !", u"修\u3000改\u3000成\u3000功!", u"修\u3000改\u3000成\u3000功!"}},
    {PhraseId::FileExists,
     {u"The file you selected is already exist!!", u"您所选择的档案已存在!!",
      u"您所選擇的檔案已存在!!"}},
    {PhraseId::ConfigChangedTo,
     {u"The configuration file has been change to the ", u"配置文件已变更为", u"配置文件已變更為"}},
    {PhraseId::SettingsNotSaved,
     {u"The setting which you have updated does not save.", u"您刚刚所修改的设定尚未储存!",
      u"您剛剛所修改的設定尚未儲存!"}},
    {PhraseId::AskIgnoreChanges,
     {u"Are you sure that you want to ignore the changes and return to the main menu?",
      u"您确定要离开设定页面并忽略修改的设定值吗?", u"您確定要離開設定頁面並忽略修改的設定值嗎?"}},
    {PhraseId::PleaseWait,
     {u"Processing.... Please wait!!", u"程序处理中，请稍候...", u"程序處理中，請稍候..."}},
    {PhraseId::RunComplete,
     {u"The testing process is complete!", u"测试工作已完成!", u"測試工作已完成!"}},
    {PhraseId::SelectItemToTest,
     {u"Before the [Single Test] process, click the [Main Description] of the item first.",
      u"请先点选 [功能描述] 后，再执行单一项测试的动作!",
      u"請先點選 [功能描述] 後，再執行單一測試的動作!"}},
    {PhraseId::FileMissing,
     {u"The file you selected is not exist!!", u"您所选择的档案不存在!!",
      u"您所選擇的檔案不存在!!"}},
    {PhraseId::SelectConfigAgain,
     {u"Please select the configuration file again!!", u"请重新加载配置文件!!",
      u"請重新載入配置文件!"}},
    {PhraseId::PortSettingsTitle,
     {u"            Configuration of The CAN bus Parameter",
      u"            CAN  通  讯  设  备  参  数  设  定",
      u"            CAN  通  訊  設  備  參  數  設  定"}},
    {PhraseId::SearchCan, {u"Search CAN", u"搜寻CAN设备", u"搜尋CAN設備"}},
    {PhraseId::PortLabel, {u"Zarvo Port", u"要使用的CAN埠", u"要使用的CAN埠"}},
    {PhraseId::SaveCanSetting, {u"Save CAN Setting", u"储存 CAN 参数设定", u"儲存 CAN 參數設定"}},
    {PhraseId::SearchAgain,
     {u"Search CAN devices again!", u"请重新搜寻 CAN 硬件！", u"請重新搜尋CAN硬體!"}},
    {PhraseId::PortError,
     {u"The Zarvo port is error. Please search CAN devices again!",
      u"Zarvo埠设定有错误，请重新搜寻CAN 设备！", u"Zarvo埠設定有錯誤，請重新搜尋CAN 設備！"}},
    {PhraseId::SelectItemToMove,
     {u"Before moving the test item, click the [Main Description] of the item first.",
      u"请先点选 [功能描述] 后，再执行上下移动的动作!",
      u"請先點選 [功能描述] 後，再執行上下移動的動作!"}},
    {PhraseId::MoveUp, {u"Move Up", u"上移", u"上移"}},
    {PhraseId::MoveDown, {u"Move Down", u"下移", u"下移"}},
    {PhraseId::AskSaveChanges,
     {u"Are you sure to save the changes to the current configuration file?",
      u"是否要储存目前设定值到配置文件中?", u"是否要儲存目前設定值到配置文件中?"}},
    {PhraseId::HeaderRemarks, {u"Remarks", u"备注", u"備註"}},
    {PhraseId::ButtonView, {u"View", u"检视", u"檢視"}},
    {PhraseId::ButtonTrend, {u"Trend", u"趋势图", u"趨勢圖"}},
    {PhraseId::TrendPageConfig, {u"Trend CAN ID", u"趋势图的CAN ID", u"趨勢圖的CAN ID"}},
    {PhraseId::TrendPageTrend, {u"Trend", u"趋势图", u"趨勢圖"}},
    {PhraseId::TrendPageDataView, {u"DataView", u"检视资料", u"檢視資料"}},
    {PhraseId::TrendConfigTitle,
     {u"Configure CAN ID for Trend", u"趋 势 图 的 CAN  讯 息 设 定",
      u"趨 勢 圖 的 CAN  訊 息 設 定"}},
    {PhraseId::TrendDescription, {u"Description", u"数据功能描述", u"資料功能描述"}},
    {PhraseId::TrendParameter, {u"Parameter", u"数据功能参数", u"資料功能參數"}},
    {PhraseId::TrendDataType, {u"Data Type", u"数据的型态", u"資料的型態"}},
    {PhraseId::TrendDataRange, {u"Data Range", u"数据的范围", u"資料的範圍"}},
    {PhraseId::TrendCanId, {u"CAN ID", u"关注的 CAN ID", u"關注的 CAN ID"}},
    {PhraseId::TrendAdd, {u"Add.", u"加入", u"加入"}},
    {PhraseId::TrendView, {u"View", u"检视", u"檢視"}},
    {PhraseId::TrendValue, {u"Value", u"数值", u"數值"}},
    {PhraseId::MultipleSent, {u"Multiple Sent", u"同时发送", u"同時發送"}},
    {PhraseId::NextTime, {u"Next Time", u"次笔发送间隔", u"次筆發送間隔"}},
    {PhraseId::IllegalNextTime,
     {u"The value of the [Terminal Time] is an illegal Dec. data.",
      u"您所输入的 次笔发送间隔(ms)  不是有效的 10 进制值!",
      u"您所輸入的次筆發送間隔(ms)  不是有效的 10 进制值!"}},
    {PhraseId::HeaderNextTime, {u"Next Time(ms) ", u"次笔发送间隔(ms) ", u"次筆發送間隔(ms) "}},
    {PhraseId::NeedReturnId,
     {u"Need Return ID of the Message.", u"必须填入返回值ID", u"必须填入返回值ID"}},
    // Kestrel's own additions.
    {PhraseId::ConfigFull,
     {u"The test configuration is full: it holds at most 100 test items.",
      u"测试项目已满：一个配置文件最多 100 个测试项目。",
      u"測試項目已滿：一個配置文件最多 100 個測試項目。"}},
    {PhraseId::ForbiddenCharacters,
     {u"The description and the parameter cannot contain \"]\", \"=\" or a line break.",
      u"功能描述和功能参数不能包含 \"]\"、\"=\" 或换行。",
      u"功能描述和功能參數不能包含 \"]\"、\"=\" 或換行。"}},
    {PhraseId::ItemsLeftOut,
     {u"%1 test items of the file were not loaded: a configuration holds at most %2 items.",
      u"文件中有 %1 个测试项目未加载：一个配置文件最多 %2 个项目。",
      u"檔案中有 %1 個測試項目未載入：一個配置文件最多 %2 個項目。"}},
    {PhraseId::TrendTableFull,
     {u"The table holds at most %1 identifiers: remove one before adding another.",
      u"最多只能关注 %1 个 CAN ID：请先删除一个再加入。",
      u"最多只能關注 %1 個 CAN ID：請先刪除一個再加入。"}},
    {PhraseId::ChartPause, {u"Pause", u"暂停", u"暫停"}},
    {PhraseId::ChartResume, {u"Resume", u"继续", u"繼續"}},
    {PhraseId::ChartResetView, {u"Reset view", u"重置视图", u"重設檢視"}},
    // The bus monitor.
    {PhraseId::MonitorCaption, {u"Bus monitor", u"总线监视", u"總線監視"}},
    {PhraseId::MonitorPause, {u"Pause", u"暂停", u"暫停"}},
    {PhraseId::MonitorClear, {u"Clear", u"清除", u"清除"}},
    {PhraseId::MonitorCopy, {u"Copy", u"复制", u"複製"}},
    {PhraseId::MonitorSave, {u"Save", u"保存", u"儲存"}},
    {PhraseId::MonitorChronological, {u"Chronological", u"按时间", u"按時間"}},
    {PhraseId::MonitorFixed, {u"Fixed", u"按标识符", u"按識別碼"}},
    {PhraseId::MonitorTimeAbsolute, {u"Absolute time", u"绝对时间", u"絕對時間"}},
    {PhraseId::MonitorTimeSincePrevious, {u"Time since previous", u"相对上一帧", u"相對上一幀"}},
    {PhraseId::MonitorTimeSinceStart, {u"Time since start", u"相对开始", u"相對開始"}},
    {PhraseId::MonitorCapacity, {u"Frames kept:", u"保留帧数：", u"保留幀數："}},
    {PhraseId::MonitorIdFilter, {u"Identifiers:", u"标识符：", u"識別碼："}},
    {PhraseId::MonitorBothDirections, {u"Rx and Tx", u"接收和发送", u"接收和發送"}},
    {PhraseId::MonitorTransmittedOnly, {u"Tx only", u"仅发送", u"僅發送"}},
    {PhraseId::MonitorReceivedOnly, {u"Rx only", u"仅接收", u"僅接收"}},
    {PhraseId::MonitorDataFilter, {u"Data:", u"数据：", u"資料："}},
    {PhraseId::MonitorStatus,
     {u"%1 frames/s   bus load %2 %   captured %3   dropped from start %4   lost %5   "
      u"port status %6",
      u"%1 帧/秒   总线负载 %2 %   已捕获 %3   从开头丢弃 %4   丢失 %5   端口状态 %6",
      u"%1 幀/秒   總線負載 %2 %   已擷取 %3   從開頭丟棄 %4   遺失 %5   連接埠狀態 %6"}},
    {PhraseId::MonitorPaused, {u"   (view paused)", u"   （视图已暂停）", u"   （檢視已暫停）"}},
    {PhraseId::MonitorBadRule,
     {u"Not an identifier rule: %1 (rules look like 123, 100-1FF, 7E0:7F0, !7DF)",
      u"不是标识符规则：%1（规则形如 123、100-1FF、7E0:7F0、!7DF）",
      u"不是識別碼規則：%1（規則形如 123、100-1FF、7E0:7F0、!7DF）"}},
    {PhraseId::MonitorSaveFilter,
     {u"candump log (*.log);;Vector ASC log (*.asc)",
      u"candump 日志 (*.log);;Vector ASC 日志 (*.asc)",
      u"candump 日誌 (*.log);;Vector ASC 日誌 (*.asc)"}},
    {PhraseId::MonitorSaveFormat,
     {u"The capture is saved as a candump log (.log) or a Vector ASC log (.asc): choose a "
      u"name ending in either.",
      u"捕获可保存为 candump 日志（.log）或 Vector ASC 日志（.asc）：请选择以其一结尾的文件名。",
      u"擷取可儲存為 candump 日誌（.log）或 Vector ASC 日誌（.asc）：請選擇以其一結尾的檔名。"}},
    {PhraseId::MonitorSaveFailed,
     {u"The capture was not saved to %1: %2", u"捕获未能保存到 %1：%2", u"擷取未能儲存到 %1：%2"}},
    {PhraseId::MonitorCannotListen,
     {u"This driver cannot show the bus traffic.", u"此驱动程序无法显示总线通信。",
      u"此驅動程式無法顯示總線通訊。"}},
    {PhraseId::MonitorHeaderTime, {u"Time", u"时间", u"時間"}},
    {PhraseId::MonitorHeaderDirection, {u"Dir", u"方向", u"方向"}},
    {PhraseId::MonitorHeaderData, {u"Data", u"数据", u"資料"}},
    {PhraseId::MonitorHeaderCount, {u"Count", u"次数", u"次數"}},
    {PhraseId::MonitorHeaderCycle, {u"Cycle ms", u"周期 ms", u"週期 ms"}},
    {PhraseId::MonitorHeaderCycleMin, {u"Min ms", u"最小 ms", u"最小 ms"}},
    {PhraseId::MonitorHeaderCycleMax, {u"Max ms", u"最大 ms", u"最大 ms"}},
    {PhraseId::ButtonBus, {u"Bus", u"总线", u"總線"}},
    {PhraseId::ButtonMonitor, {u"Monitor", u"监视", u"監視"}},
    {PhraseId::ValuesTakenOtherwise,
     {u"The files were loaded, but these values were taken other than as written:",
      u"文件已加载，但下列值未按原样读取：", u"檔案已載入，但下列值未按原樣讀取："}},
    {PhraseId::IdBeyondMode,
     {u"Test item %1 \"%2\": the identifier %3 is beyond the %4-bit identifiers. Correct the "
      u"item or its 29-bit setting before the test.",
      u"测试项目 %1 \"%2\"：识别码 %3 超出 %4 位识别码的范围。请在测试前修正该项目或其 29 位设置。",
      u"測試項目 %1 \"%2\"：識別碼 %3 超出 %4 位元識別碼的範圍。請在測試前修正該項目或其 29 "
      u"位元設定。"}},
    {PhraseId::RunSummary,
     {u"%1 items: %2 passed, %3 failed, %4 without expectation",
      u"%1 个项目：%2 个通过，%3 个失败，%4 个无比对值",
      u"%1 個項目：%2 個通過，%3 個失敗，%4 個無比對值"}},
    {PhraseId::RunSummaryNotFinished, {u", %1 not finished", u"，%1 个未完成", u"，%1 個未完成"}},
    {PhraseId::NotLoaded, {u"%1 (not loaded)", u"%1（未加载）", u"%1（未載入）"}},
    {PhraseId::OverwritePartlyReadItems,
     {u"%1 was read only in part; left out: %2.\r\nSaving writes the %3 items shown over the "
      u"file, and what was left out is lost. Save anyway?",
      u"%1 只读取了一部分；未读取：%2。\r\n保存会用显示的 %3 个项目覆盖该文件，未读取的内容将丢失。"
      u"仍要保存吗？",
      u"%1 只讀取了一部分；未讀取：%2。\r\n儲存會用顯示的 %3 個項目覆蓋該檔案，未讀取的內容將遺失。"
      u"仍要儲存嗎？"}},
    {PhraseId::OverwritePartlyReadTrend,
     {u"%1 was read only in part; left out: %2.\r\nSaving writes a shorter file, and what was "
      u"left out is lost. Save anyway?",
      u"%1 "
      u"只读取了一部分；未读取：%2。\r\n保存会写入一个更短的文件，未读取的内容将丢失。仍要保存吗？",
      u"%1 "
      u"只讀取了一部分；未讀取：%"
      u"2。\r\n儲存會寫入一個更短的檔案，未讀取的內容將遺失。仍要儲存嗎？"}},
    {PhraseId::TrendSignal, {u"Signal", u"信号", u"訊號"}},
    {PhraseId::ChooseDatabase, {u"Database...", u"数据库...", u"資料庫..."}},
    {PhraseId::MonitorHeaderName, {u"Message", u"报文", u"報文"}},
    {PhraseId::MonitorSignalsHint,
     {u"Double-click a frame to show or hide its signals", u"双击一帧以显示或隐藏其信号",
      u"雙擊一幀以顯示或隱藏其訊號"}},
};

// Every id has its row, in enum order, with all three texts.
constexpr bool RowsMatchIds() {
    for (int row = 0; row < kPhraseCount; ++row) {
        if (kRows[row].id != static_cast<PhraseId>(row))
            return false;
        for (const char16_t* text : kRows[row].texts) {
            if (text == nullptr)
                return false;
        }
    }
    return true;
}
static_assert(std::size(kRows) == kPhraseCount, "one row per PhraseId");
static_assert(RowsMatchIds(), "rows follow the PhraseId order and carry three texts");

using Tables = std::array<QStringList, kLanguageCount>;

const Tables& AllTables() {
    static const Tables tables = [] {
        Tables built;
        for (int language = 0; language < kLanguageCount; ++language) {
            for (const PhraseRow& row : kRows)
                built[language].append(QString::fromUtf16(row.texts[language]));
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

const QString& Phrase(PhraseId id) {
    static const QString empty;
    const QStringList& table = AllTables()[currentLanguage.load()];
    const int row = static_cast<int>(id);
    return row >= 0 && row < table.size() ? table[row] : empty;
}

QString PhraseLines(PhraseId upper, PhraseId lower) {
    return Phrase(upper) + QLatin1Char('\n') + Phrase(lower);
}

QString SearchAgainText(uint32_t status) {
    constexpr int kMaxLength = 100;
    return QStringLiteral("%1 ( %2 )")
        .arg(Phrase(PhraseId::SearchAgain))
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
