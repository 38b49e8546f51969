#include "payload/crc16.h"

uint32_t CrcAddByte(uint32_t crcReg, uint8_t b) {
  for (int n = 7; n >= 0; n--) {
    crcReg = (crcReg << 1) + ((b >> n) & 1u);
    if (crcReg & 0x10000u) crcReg ^= 0x18005u;
  }
  return crcReg;
}

// Built on first use instead of stored: 512 bytes of table would cost the
// stub more than the loop that makes them.
static uint16_t crcTable[256];
static bool crcTableReady;

static void BuildCrcTable() {
  for (int i = 0; i < 256; i++) {
    uint16_t r = (uint16_t)(i << 8);
    for (int k = 0; k < 8; k++)
      r = (uint16_t)((r & 0x8000u) ? (r << 1) ^ 0x8005u : (r << 1));
    crcTable[i] = r;
  }
  crcTableReady = true;
}

uint16_t Crc16Update(uint16_t crc, const uint8_t* data, int n) {
  if (!crcTableReady) BuildCrcTable();
  for (int i = 0; i < n; i++)
    crc = (uint16_t)((crc << 8) ^ crcTable[(crc >> 8) ^ data[i]]);
  return crc;
}
