/* zorapi: client of the text-rewriting service.
 *
 * Strings are zero-terminated UTF-16; a null pointer reads as the empty
 * string. Results are never null: an empty result means the call failed or
 * the service returned nothing. A result is owned by the library and stays
 * valid until the same thread calls the same operation again. Calls from
 * several threads are serialised by the library. */
#ifndef ZORAPI_H
#define ZORAPI_H

#if defined(_WIN32)
#include <wchar.h>
typedef wchar_t zorapi_char;
#elif defined(__cplusplus)
typedef char16_t zorapi_char;
#else
#include <uchar.h>
typedef char16_t zorapi_char;
#endif

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define ZORAPI_CALL __stdcall
#else
#define ZORAPI_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Signs in; returns the session identifier. */
const zorapi_char* ZORAPI_CALL zorlogin(const zorapi_char* user, const zorapi_char* password);

/* Asks which words of text have synonyms; returns the service's output. */
const zorapi_char* ZORAPI_CALL identifySynonyms(const zorapi_char* session, const zorapi_char* text,
                                                int32_t maxsyns);

/* Replaces words of text by everyone's favourite synonyms; returns the output. */
const zorapi_char* ZORAPI_CALL replaceEveryonesFavorites(const zorapi_char* session,
                                                         const zorapi_char* text, int32_t maxsyns,
                                                         int32_t quality);

#ifdef __cplusplus
}
#endif

#endif /* ZORAPI_H */
