// A protected archive stores only the CRC-16 of its password.
#ifndef CORVANE_PAYLOAD_PASSWORD_H
#define CORVANE_PAYLOAD_PASSWORD_H

#include <stdint.h>

// The value a password is checked against: its CRC-16.
uint16_t PasswordCheckValue(const uint8_t* text, int len);

// True when the text (Shift-JIS bytes, as typed: not trimmed, not folded)
// matches the check value. The caller then keeps the text as the key.
bool CheckPassword(uint16_t checkValue, const uint8_t* text, int len);

#endif
