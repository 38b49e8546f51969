// The password check against the stored CRC-16.
#include "payload/password.h"

#include "payload/crc16.h"

uint16_t PasswordCheckValue(const uint8_t* text, int len) {
  return Crc16Update(0, text, len);
}

bool CheckPassword(uint16_t checkValue, const uint8_t* text, int len) {
  return PasswordCheckValue(text, len) == checkValue;
}
