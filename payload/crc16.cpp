// CRC-16 of the payload by tables: four bytes a step in the stub, eight on the host.
#include "payload/crc16.h"

uint32_t CrcAddByte(uint32_t crcReg, uint8_t b) {
  for (int n = 7; n >= 0; n--) {
    crcReg = (crcReg << 1) + ((b >> n) & 1u);
    if (crcReg & 0x10000u) crcReg ^= 0x18005u;
  }
  return crcReg;
}

// Built on first use instead of stored: the tables would cost the stub
// more than the loop that makes them. crcTable[k][b] is the CRC of the byte
// b followed by k zero bytes, so four bytes take four independent look-ups
// (the register only reaches into the first two of them).
static uint16_t crcTable[4][256];
static bool crcTableReady;

static void BuildCrcTable() {
  for (int i = 0; i < 256; i++) {
    uint16_t r = (uint16_t)(i << 8);
    for (int k = 0; k < 8; k++)
      r = (uint16_t)((r & 0x8000u) ? (r << 1) ^ 0x8005u : (r << 1));
    crcTable[0][i] = r;
  }
  for (int k = 1; k < 4; k++)
    for (int i = 0; i < 256; i++) {
      uint16_t r = crcTable[k - 1][i];
      crcTable[k][i] = (uint16_t)((r << 8) ^ crcTable[0][r >> 8]);
    }
  crcTableReady = true;
}

uint16_t Crc16UpdateCompact(uint16_t crc, const uint8_t* data, int n) {
  if (!crcTableReady) BuildCrcTable();
  int i = 0;
  for (; i + 4 <= n; i += 4)
    crc = (uint16_t)(crcTable[3][(crc >> 8) ^ data[i]] ^
                     crcTable[2][(crc & 0xFF) ^ data[i + 1]] ^
                     crcTable[1][data[i + 2]] ^ crcTable[0][data[i + 3]]);
  for (; i < n; i++)
    crc = (uint16_t)((crc << 8) ^ crcTable[0][(crc >> 8) ^ data[i]]);
  return crc;
}

#if !defined(CORVANE_COMPACT)

namespace {

// The host takes eight bytes a step, from tables made by the compiler:
// table[k][b] is the CRC of the byte b followed by k zero bytes, so eight
// bytes are eight independent look-ups (the register only reaches into
// the first two of them).
struct CrcTables {
  uint16_t table[8][256];
  constexpr CrcTables() : table() {
    for (int i = 0; i < 256; i++) {
      uint16_t r = (uint16_t)(i << 8);
      for (int k = 0; k < 8; k++) r = (uint16_t)((r & 0x8000u) ? (r << 1) ^ 0x8005u : (r << 1));
      table[0][i] = r;
    }
    for (int k = 1; k < 8; k++)
      for (int i = 0; i < 256; i++) {
        uint16_t r = table[k - 1][i];
        table[k][i] = (uint16_t)((r << 8) ^ table[0][r >> 8]);
      }
  }
};

constexpr CrcTables kCrc;

}  // namespace

uint16_t Crc16Update(uint16_t crc, const uint8_t* data, int n) {
  const uint16_t(*t)[256] = kCrc.table;
  int i = 0;
  for (; i + 8 <= n; i += 8)
    crc = (uint16_t)(t[7][(crc >> 8) ^ data[i]] ^ t[6][(crc & 0xFF) ^ data[i + 1]] ^
                     t[5][data[i + 2]] ^ t[4][data[i + 3]] ^ t[3][data[i + 4]] ^
                     t[2][data[i + 5]] ^ t[1][data[i + 6]] ^ t[0][data[i + 7]]);
  for (; i < n; i++) crc = (uint16_t)((crc << 8) ^ t[0][(crc >> 8) ^ data[i]]);
  return crc;
}

#endif
