// libcurl, opened on the first exchange with a translation service rather than when the program
// starts: linked, it and the two dozen libraries it pulls in cost every start-up before main(),
// although most sessions never translate.
#pragma once

#include <QString>
#include <curl/curl.h>
#include <memory>
#include <variant>

// The libcurl calls the transport and the apertium check make. Variadic calls go through the
// library's own variadic entry points, as the header's macros would.
struct CurlApi {
    CURLcode (*global_init)(long flags);
    CURL* (*easy_init)();
    CURLcode (*easy_setopt)(CURL*, CURLoption, ...);
    CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...);
    CURLcode (*easy_perform)(CURL*);
    void (*easy_cleanup)(CURL*);
    const char* (*easy_strerror)(CURLcode);
    curl_slist* (*slist_append)(curl_slist*, const char*);
    void (*slist_free_all)(curl_slist*);
    CURLM* (*multi_init)();
    CURLMcode (*multi_add_handle)(CURLM*, CURL*);
    CURLMcode (*multi_remove_handle)(CURLM*, CURL*);
    CURLMcode (*multi_perform)(CURLM*, int* running);
    CURLMcode (*multi_poll)(CURLM*, curl_waitfd extra[], unsigned count, int timeoutMs, int* ready);
    CURLMcode (*multi_wakeup)(CURLM*);
    CURLMsg* (*multi_info_read)(CURLM*, int* queued);
    CURLMcode (*multi_cleanup)(CURLM*);
};

// The library file of the ABI the header above describes.
inline constexpr char kCurlLibraryName[] = "libcurl.so.4";

// The opened library's calls, or why it could not be had.
using CurlLibrary = std::variant<std::shared_ptr<const CurlApi>, QString>;

// Opens `fileName` and finds every call, or says why not (for the log and the user). The library
// stays loaded for the rest of the process: curl keeps global state that must not be unmapped.
CurlLibrary openCurlLibrary(const char* fileName);

// The process's libcurl, opened and initialised (curl_global_init) by the first caller on any
// thread; later callers get the same table, or the same reason it is missing.
CurlLibrary curlLibrary();
