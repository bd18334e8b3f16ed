/* Small text helpers shared by the example program. */
#ifndef GREET_H
#define GREET_H

#include <stddef.h>

/* Writes "Hello, NAME!" into buffer; returns the length written. */
size_t format_greeting(char *buffer, size_t size, const char *name);

/* Counts the words (runs of non-blank characters) in text. */
size_t count_words(const char *text);

#endif
