#include "greet.h"

#include <stdio.h>

size_t format_greeting(char *buffer, size_t size, const char *name) {
  int written = snprintf(buffer, size, "Hello, %s!", name);
  if (written < 0) return 0;
  return (size_t)written < size ? (size_t)written : size - 1;
}
