#pragma once
// The 30-byte message record of a test item, as the transmit thread and the
// single transmit dialog hand it to the driver.

#include "ZarvoApi.h"

#include <cstdint>

// Record of item `item` of the test item table with the data bytes `data`
// (all eight, whatever the length): format, the whole 32-bit identifier least
// significant byte first, RTR and length from the table; reserved bytes 0.
type_ZarvoMsg BuildZarvoMsg(int item, const uint8_t (&data)[8]);

// The same with the item's own data bytes.
type_ZarvoMsg BuildZarvoMsg(int item);
