#include "platform/CurlCommon.h"

#include "core/base/AsciiText.h"

namespace kw {
namespace {

struct CurlGlobal {
    CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

}  // namespace

void initCurlOnce() { static CurlGlobal global; }

ProbeReason reasonOf(CURLcode code) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return ProbeReason::HostNotFound;
        case CURLE_COULDNT_CONNECT:
            return ProbeReason::ConnectionRefused;
        case CURLE_OPERATION_TIMEDOUT:
            return ProbeReason::ConnectTimeout;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CACERT_BADFILE:
            return ProbeReason::CertificateInvalid;
        case CURLE_URL_MALFORMAT:
            return ProbeReason::BadAddress;
        case CURLE_UNSUPPORTED_PROTOCOL:
            return ProbeReason::UnsupportedScheme;
        case CURLE_TOO_MANY_REDIRECTS:
            return ProbeReason::TooManyRedirects;
        default:
            return ProbeReason::NetworkError;
    }
}

std::optional<std::string> schemeOf(const std::string& address) {
    UrlHandle handle;
    if (curl_url_set(handle.url, CURLUPART_URL, address.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return std::nullopt;
    char* scheme = nullptr;
    if (curl_url_get(handle.url, CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) return std::nullopt;
    std::string result = ascii::lower(scheme);
    curl_free(scheme);
    return result;
}

}  // namespace kw
