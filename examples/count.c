#include "greet.h"

#include <ctype.h>

size_t count_words(const char *text) {
  size_t words = 0;
  int inside = 0;
  for (; *text != '\0'; ++text) {
    if (isspace((unsigned char)*text)) {
      inside = 0;
    } else if (!inside) {
      inside = 1;
      ++words;
    }
  }
  return words;
}
