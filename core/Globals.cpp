#include "Globals.h"

type_CustomerCMD Global_CustomerCMD;

uint8_t ZarvoPort = 0;
uint32_t ZarvoBaudRate = 250000;
QString CurrentConfigFile;
uint8_t SingleTestRow = 0;
uint8_t LanguageIndex = 0;
int32_t WorkAreaHeight = 0;
