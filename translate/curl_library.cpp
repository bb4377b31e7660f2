// Opening libcurl by name and filling the call table from it.
#include "translate/curl_library.h"

#include <dlfcn.h>
#include <mutex>

namespace {

template <typename Function> bool find(void* library, const char* name, Function& slot, QString& missing) {
    slot = reinterpret_cast<Function>(dlsym(library, name));
    if (!slot && missing.isEmpty())
        missing = QString::fromLatin1(name);
    return slot != nullptr;
}

} // namespace

CurlLibrary openCurlLibrary(const char* fileName) {
    // RTLD_LOCAL: libcurl's symbols stay out of the global scope that later plugins resolve against.
    void* library = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        return QStringLiteral("%1 could not be loaded: %2")
            .arg(QString::fromLocal8Bit(fileName),
                 why ? QString::fromLocal8Bit(why) : QStringLiteral("unknown error"));
    }
    auto api = std::make_shared<CurlApi>();
    QString missing;
    find(library, "curl_global_init", api->global_init, missing);
    find(library, "curl_easy_init", api->easy_init, missing);
    find(library, "curl_easy_setopt", api->easy_setopt, missing);
    find(library, "curl_easy_getinfo", api->easy_getinfo, missing);
    find(library, "curl_easy_perform", api->easy_perform, missing);
    find(library, "curl_easy_cleanup", api->easy_cleanup, missing);
    find(library, "curl_easy_strerror", api->easy_strerror, missing);
    find(library, "curl_slist_append", api->slist_append, missing);
    find(library, "curl_slist_free_all", api->slist_free_all, missing);
    find(library, "curl_multi_init", api->multi_init, missing);
    find(library, "curl_multi_add_handle", api->multi_add_handle, missing);
    find(library, "curl_multi_remove_handle", api->multi_remove_handle, missing);
    find(library, "curl_multi_perform", api->multi_perform, missing);
    find(library, "curl_multi_poll", api->multi_poll, missing);
    find(library, "curl_multi_wakeup", api->multi_wakeup, missing);
    find(library, "curl_multi_info_read", api->multi_info_read, missing);
    find(library, "curl_multi_cleanup", api->multi_cleanup, missing);
    if (!missing.isEmpty()) {
        // Too old a libcurl (curl_multi_wakeup came with 7.68): nothing of it is used.
        dlclose(library);
        return QStringLiteral("%1 lacks %2").arg(QString::fromLocal8Bit(fileName), missing);
    }
    return std::shared_ptr<const CurlApi>(std::move(api));
}

CurlLibrary curlLibrary() {
    static std::once_flag once;
    static CurlLibrary opened;
    std::call_once(once, [] {
        opened = openCurlLibrary(kCurlLibraryName);
        if (const auto* api = std::get_if<std::shared_ptr<const CurlApi>>(&opened)) {
            if (const CURLcode code = (*api)->global_init(CURL_GLOBAL_DEFAULT); code != CURLE_OK)
                opened = QStringLiteral("libcurl could not start (%1)")
                             .arg(QString::fromUtf8((*api)->easy_strerror(code)));
        }
    });
    return opened;
}
