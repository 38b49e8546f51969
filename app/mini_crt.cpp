// Built with -fno-builtin -fno-tree-loop-distribute-patterns, so that these
// loops are not turned back into calls of themselves.
#include "app/mini_crt.h"

extern "C" {

void* memcpy(void* to, const void* from, size_t n) {
  char* d = (char*)to;
  const char* s = (const char*)from;
  while (n--) *d++ = *s++;
  return to;
}

void* memmove(void* to, const void* from, size_t n) {
  char* d = (char*)to;
  const char* s = (const char*)from;
  if (d < s) {
    while (n--) *d++ = *s++;
  } else {
    while (n--) d[n] = s[n];
  }
  return to;
}

void* memset(void* to, int c, size_t n) {
  char* d = (char*)to;
  while (n--) *d++ = (char)c;
  return to;
}

size_t strlen(const char* s) {
  const char* p = s;
  while (*p) p++;
  return (size_t)(p - s);
}

int strcmp(const char* a, const char* b) {
  while (*a && *a == *b) a++, b++;
  return (unsigned char)*a - (unsigned char)*b;
}

}  // extern "C"

int StrCopy(char* to, const char* from) {
  int n = 0;
  while ((to[n] = from[n]) != 0) n++;
  return n;
}
