// CRC-16 of the payload: width 16, polynomial 0x8005, initial value 0,
// neither input nor output reflected, no final XOR (the published
// CRC-16/UMTS). It checks every block of the block stream and derives the
// stored check value of a password.
#ifndef CORVANE_PAYLOAD_CRC16_H
#define CORVANE_PAYLOAD_CRC16_H

#include <stdint.h>

// Shifts the 8 bits of b into the augmented register, most significant bit
// first. A message followed by 16 zero bits leaves its CRC in the register;
// a message followed by its own CRC, high byte first, leaves 0. This is the
// bit-serial form; Crc16Update below gives the same results faster.
uint32_t CrcAddByte(uint32_t crcReg, uint8_t b);

// The direct (non-augmented) form over n bytes, by table: the CRC of the
// bytes when started from 0. Feeding a block's data and then its two
// trailer bytes gives 0 exactly when the augmented register would.
//
// The compact form takes four bytes a step from tables it makes on first
// use (the stub's); the host's takes eight from tables the compiler makes.
uint16_t Crc16UpdateCompact(uint16_t crc, const uint8_t* data, int n);
#if defined(CORVANE_COMPACT)
inline uint16_t Crc16Update(uint16_t crc, const uint8_t* data, int n) {
  return Crc16UpdateCompact(crc, data, n);
}
#else
uint16_t Crc16Update(uint16_t crc, const uint8_t* data, int n);
#endif

#endif
