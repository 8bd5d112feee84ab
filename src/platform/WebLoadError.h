#pragma once

namespace quavel {

// A page load that the embedded browser reports as failed, as the web engine describes it. Kept free
// of the engine's own types so that the French texts live with the other platform texts.
struct WebLoadError
{
    enum class Domain {
        // Engine-side failures: aborted loads, blocked requests, local resources.
        Internal,
        Connection,
        Certificate,
        // Protocol-level failures of the response (redirects, bad headers, unsupported schemes).
        Http,
        Ftp,
        Dns,
        // The server answered with an error status; `code` is that status (404, 500…).
        HttpStatus,
    };

    Domain domain = Domain::Internal;
    // The engine's network error number (negative), or the HTTP status for HttpStatus.
    int code = 0;

    bool operator==(const WebLoadError&) const = default;
};

} // namespace quavel
