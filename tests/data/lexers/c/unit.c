/* C23 and older C: the preprocessor, literals and blocks. */
#include <stdio.h>
#include <stdbool.h>

#ifndef BUFFER_SIZE
#define BUFFER_SIZE (4 * 1024)
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct node {
    struct node *next;
    _Alignas(16) unsigned char data[BUFFER_SIZE];
} node_t;

static inline bool is_empty(const node_t *n) { return n == NULL || n->next == nullptr; }

/* Unterminated quotes end with their line: */
char c = 'x', nl = '\n', q = '\'', s[] = "tab\there \"quoted\"";
long big = 1'000'000L;
double f = 1e-3, g = 0x1p-4, h = 6.02e23L;

int count(const char *text, char ch)
{
    int n = 0;
    while (*text) {
        if (*text++ == ch)
            n += 1;   // one more
        else if (ch == '\0')
            break;
    }
    switch (n) {
    case 0: return -1;
    default: return n / 2 * 3 % 4;
    }
}

#if 0
this text is never compiled
#elif defined(X) \
      && defined(Y)
int xy;
#else
int z;
#endif

#ifdef __cplusplus
}
#endif
