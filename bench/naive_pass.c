/* tessary-naive: the scaling pass written the straightforward way, in plain C.
 *
 *   tessary-naive INPUT OUTPUT X [Y Z]
 *
 * This program is only a speed baseline for tessary-compare: it shows what the obvious C
 * program costs, so that tessary-scale's figures have something to stand against. It is not
 * a reference for the output: numbers are read with strtod (no 'd' exponent, whatever the
 * locale does) and written with printf("%.11f"), so some values come out with other digits
 * than tessary-scale writes, and odd input (NUL bytes, quoted words) is not handled as
 * tessary-scale handles it.
 *
 * Each line is read with fgets into a buffer that grows to hold the longest line, stripped of
 * carriage returns and line feeds at both ends, and its first blank-separated word compared,
 * ignoring case, with the keywords:
 *   position X Y Z, center X Y Z   rewritten as the keyword and the scaled point
 *   verts N                        copied, then N vertex lines "X Y Z" rewritten, scaled
 *   positionkey N                  copied, then N key lines "T X Y Z" rewritten, the point
 *                                  scaled and T as read
 * Every other line is copied. Every line written ends in "\r\n".
 */
#define _POSIX_C_SOURCE 200809L

#include <ctype.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

static char* buffer;
static size_t capacity;

static void Grow(size_t size) {
  buffer = realloc(buffer, size);
  if (buffer == NULL) {
    fputs("tessary-naive: out of memory\n", stderr);
    exit(1);
  }
  capacity = size;
}

/* Reads the next line, of any length, and returns it without carriage returns and line feeds
 * at either end; NULL at the end of the input. The text stays valid until the next call. */
static char* ReadLine(FILE* in) {
  size_t length = 0;
  char* line;
  if (buffer == NULL) Grow(256);
  for (;;) {
    size_t room = capacity - length;
    size_t got;
    if (room > INT_MAX) room = INT_MAX;
    if (fgets(buffer + length, (int)room, in) == NULL) break;
    got = strlen(buffer + length);
    length += got;
    /* fgets stops after a line feed, at the end of the input, or when `room` is full */
    if (got + 1 < room || buffer[length - 1] == '\n') break;
    if (length + 1 == capacity) Grow(capacity * 2);
  }
  if (length == 0) return NULL;
  while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n'))
    buffer[--length] = '\0';
  line = buffer;
  while (*line == '\r' || *line == '\n')
    ++line;
  return line;
}

/* Copies the first blank-separated word of `text` into `word` (of `size` bytes, cut short when
 * longer) and returns what follows it. */
static const char* FirstWord(const char* text, char* word, size_t size) {
  size_t length = 0;
  while (isspace((unsigned char)*text))
    ++text;
  while (*text != '\0' && !isspace((unsigned char)*text)) {
    if (length + 1 < size) word[length++] = *text;
    ++text;
  }
  word[length] = '\0';
  return text;
}

int main(int argc, char** argv) {
  FILE* in;
  FILE* out;
  double scale[3];
  char* line;

  if (argc != 4 && argc != 6) {
    fputs("usage: tessary-naive INPUT OUTPUT X [Y Z]\n", stderr);
    return 2;
  }
  scale[0] = strtod(argv[3], NULL);
  scale[1] = argc == 6 ? strtod(argv[4], NULL) : scale[0];
  scale[2] = argc == 6 ? strtod(argv[5], NULL) : scale[0];
  in = fopen(argv[1], "rb");
  if (in == NULL) {
    perror(argv[1]);
    return 1;
  }
  out = fopen(argv[2], "wb");
  if (out == NULL) {
    perror(argv[2]);
    return 1;
  }

  while ((line = ReadLine(in)) != NULL) {
    char word[16];
    const char* rest = FirstWord(line, word, sizeof word);
    const int center = strcasecmp(word, "center") == 0;
    int key;
    int count;
    int i;
    if (center || strcasecmp(word, "position") == 0) {
      char* end;
      const double x = strtod(rest, &end);
      const double y = strtod(end, &end);
      const double z = strtod(end, &end);
      fprintf(out, "%s %.11f %.11f %.11f\r\n", center ? "center" : "position", x * scale[0],
              y * scale[1], z * scale[2]);
      continue;
    }
    fputs(line, out);
    fputs("\r\n", out);
    key = strcasecmp(word, "positionkey") == 0;
    if (!key && strcasecmp(word, "verts") != 0) continue;
    count = atoi(rest);
    for (i = 0; i < count && (line = ReadLine(in)) != NULL; ++i) {
      char* end;
      const double t = key ? strtod(line, &end) : 0.0;
      const double x = strtod(key ? end : line, &end);
      const double y = strtod(end, &end);
      const double z = strtod(end, &end);
      if (key) {
        fprintf(out, "   %.11f %.11f %.11f %.11f\r\n", t, x * scale[0], y * scale[1], z * scale[2]);
      } else {
        fprintf(out, "    %.11f %.11f %.11f\r\n", x * scale[0], y * scale[1], z * scale[2]);
      }
    }
  }

  if (ferror(in)) {
    perror(argv[1]);
    return 1;
  }
  if (fclose(out) != 0) {
    perror(argv[2]);
    return 1;
  }
  fclose(in);
  free(buffer);
  return 0;
}
