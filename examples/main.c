/* hello: greets each name given on the command line and counts the words. */
#include <stdio.h>

#include "greet.h"

int main(int argc, char **argv) {
  char line[128];
  size_t total = 0;
  if (argc < 2) {
    format_greeting(line, sizeof line, "bramle");
    puts(line);
    return 0;
  }
  for (int i = 1; i < argc; ++i) {
    format_greeting(line, sizeof line, argv[i]);
    puts(line);
    total += count_words(argv[i]);
  }
  printf("%zu word(s) greeted\n", total);
  return 0;
}
