/* The C string functions the Windows build calls, since it links no C
 * runtime: those the commands use, and memcpy and memset, which the compiler
 * itself calls for copying and clearing memory. Built freestanding and
 * without loop-to-call patterns, so that no loop here is turned back into a
 * call of the function it implements. The host build uses its C library. */
#include <stddef.h>

void* memcpy(void* target, const void* source, size_t count) {
    unsigned char* to = target;
    const unsigned char* from = source;
    while (count-- > 0) *to++ = *from++;
    return target;
}

void* memset(void* target, int value, size_t count) {
    unsigned char* to = target;
    while (count-- > 0) *to++ = (unsigned char)value;
    return target;
}

void* memchr(const void* block, int value, size_t count) {
    const unsigned char* at = block;
    for (; count > 0; ++at, --count) {
        if (*at == (unsigned char)value) return (void*)at;
    }
    return NULL;
}

size_t strlen(const char* text) {
    const char* end = text;
    while (*end != '\0') ++end;
    return (size_t)(end - text);
}

int strcmp(const char* left, const char* right) {
    const unsigned char* l = (const unsigned char*)left;
    const unsigned char* r = (const unsigned char*)right;
    while (*l != '\0' && *l == *r) {
        ++l;
        ++r;
    }
    return *l - *r;
}

/* The terminator counts as part of text: looking for '\0' finds it. */
char* strchr(const char* text, int value) {
    for (;; ++text) {
        if (*text == (char)value) return (char*)text;
        if (*text == '\0') return NULL;
    }
}

/* Copies at most count bytes and pads the rest of them with terminators. */
char* strncpy(char* target, const char* source, size_t count) {
    size_t copied = 0;
    for (; copied < count && source[copied] != '\0'; ++copied) target[copied] = source[copied];
    for (; copied < count; ++copied) target[copied] = '\0';
    return target;
}

/* The blocks may overlap: the copy runs away from the overlap. */
void* memmove(void* target, const void* source, size_t count) {
    unsigned char* to = target;
    const unsigned char* from = source;
    if (to < from) {
        while (count-- > 0) *to++ = *from++;
    } else {
        to += count;
        from += count;
        while (count-- > 0) *--to = *--from;
    }
    return target;
}
