#include "pbx/discovery/DescriptionFetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <mutex>

namespace korvi {

namespace {

constexpr long kHttpOk = 200;
// How long one wait for network activity may last before the deadline is looked at again.
constexpr std::chrono::milliseconds kPollSlice{100};

struct Transfer {
    CURL* easy = nullptr;
    std::string body;
    std::size_t maxBytes = 0;
    bool tooLarge = false;
    bool done = false;
    CURLcode result = CURLE_OK;
    std::string setupError;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (bytes > transfer->maxBytes - transfer->body.size()) {
        transfer->tooLarge = true;
        return 0;  // ends the transfer with CURLE_WRITE_ERROR
    }
    transfer->body.append(data, bytes);
    return bytes;
}

CURLcode GlobalInit() {
    static std::once_flag once;
    static CURLcode code = CURLE_OK;
    std::call_once(once, [] { code = curl_global_init(CURL_GLOBAL_DEFAULT); });
    return code;
}

// First failing option, or CURLE_OK.
CURLcode Configure(Transfer& transfer, const std::string& url, const DescriptionLimits& limits) {
    CURL* easy = transfer.easy;
    const long deadlineMs = static_cast<long>(limits.deadline.count());
    const CURLcode codes[] = {
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str()),
        // The address came from whoever answered the search: plain http only, and no
        // redirect to anywhere else.
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http"),
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L),
        curl_easy_setopt(easy, CURLOPT_NOPROXY, "*"),
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L),
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, deadlineMs),
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, deadlineMs),
        curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes)),
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Collect),
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer),
        curl_easy_setopt(easy, CURLOPT_PRIVATE, &transfer),
    };
    for (const CURLcode code : codes) {
        if (code != CURLE_OK) return code;
    }
    return CURLE_OK;
}

struct MultiDeleter {
    void operator()(CURLM* multi) const {
        // Nothing is left to undo if cleaning up fails; the handles are gone either way.
        static_cast<void>(curl_multi_cleanup(multi));
    }
};

void MarkDone(CURLM* multi) {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        Transfer* transfer = nullptr;
        if (curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer) == CURLE_OK &&
            transfer != nullptr) {
            transfer->done = true;
            transfer->result = message->data.result;
        }
    }
}

// Runs the transfers until all are done or the deadline has passed; error says why the multi
// interface itself failed, if it did.
void RunAll(CURLM* multi, std::chrono::milliseconds deadline, std::string& error) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        int running = 0;
        if (const CURLMcode code = curl_multi_perform(multi, &running); code != CURLM_OK) {
            error = curl_multi_strerror(code);
            return;
        }
        MarkDone(multi);
        if (running == 0) return;
        const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (remaining.count() <= 0) return;
        const int waitMs = static_cast<int>(std::min(remaining, kPollSlice).count());
        if (const CURLMcode code = curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
            code != CURLM_OK) {
            error = curl_multi_strerror(code);
            return;
        }
    }
}

FetchedDescription Outcome(const Transfer& transfer, const DescriptionLimits& limits,
                           const std::string& multiError) {
    FetchedDescription out;
    if (!transfer.setupError.empty()) {
        out.error = transfer.setupError;
    } else if (!multiError.empty()) {
        out.error = multiError;
    } else if (!transfer.done) {
        out.error = "no description within " + std::to_string(limits.deadline.count()) + " ms";
    } else if (transfer.tooLarge || transfer.result == CURLE_FILESIZE_EXCEEDED) {
        out.error = "description larger than " + std::to_string(limits.maxBytes) + " bytes";
    } else if (transfer.result != CURLE_OK) {
        out.error = curl_easy_strerror(transfer.result);
    } else {
        long status = 0;
        if (curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK ||
            status != kHttpOk) {
            out.error = "HTTP status " + std::to_string(status);
        } else {
            out.ok = true;
            out.body = transfer.body;
        }
    }
    return out;
}

}  // namespace

std::vector<FetchedDescription> FetchDescriptions(const std::vector<std::string>& urls,
                                                  const DescriptionLimits& limits) {
    std::vector<FetchedDescription> results(urls.size());
    if (urls.empty()) return results;
    if (const CURLcode code = GlobalInit(); code != CURLE_OK) {
        for (auto& result : results) result.error = curl_easy_strerror(code);
        return results;
    }
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!multi) {
        for (auto& result : results) result.error = "could not start the HTTP client";
        return results;
    }
    // A failed limit only means more connections at once.
    static_cast<void>(curl_multi_setopt(multi.get(), CURLMOPT_MAX_TOTAL_CONNECTIONS,
                                        static_cast<long>(limits.maxConnections)));
    static_cast<void>(curl_multi_setopt(multi.get(), CURLMOPT_MAX_HOST_CONNECTIONS,
                                        static_cast<long>(limits.maxConnectionsPerHost)));

    std::vector<Transfer> transfers(urls.size());
    for (std::size_t i = 0; i < urls.size(); ++i) {
        Transfer& transfer = transfers[i];
        transfer.maxBytes = limits.maxBytes;
        transfer.easy = curl_easy_init();
        if (transfer.easy == nullptr) {
            transfer.setupError = "could not start the HTTP client";
        } else if (const CURLcode code = Configure(transfer, urls[i], limits); code != CURLE_OK) {
            transfer.setupError = curl_easy_strerror(code);
        } else if (const CURLMcode added = curl_multi_add_handle(multi.get(), transfer.easy);
                   added != CURLM_OK) {
            transfer.setupError = curl_multi_strerror(added);
        }
    }

    std::string multiError;
    RunAll(multi.get(), limits.deadline, multiError);

    for (std::size_t i = 0; i < transfers.size(); ++i) {
        Transfer& transfer = transfers[i];
        results[i] = Outcome(transfer, limits, multiError);
        if (transfer.easy != nullptr) {
            if (transfer.setupError.empty()) {
                // Removing a handle this multi handle holds does not fail in a way that would
                // change what is freed next.
                static_cast<void>(curl_multi_remove_handle(multi.get(), transfer.easy));
            }
            curl_easy_cleanup(transfer.easy);
        }
    }
    return results;
}

}  // namespace korvi
