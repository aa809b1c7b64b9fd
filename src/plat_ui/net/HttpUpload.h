#pragma once
// Sends one file as multipart form data and reads the reply.

#include <cstddef>
#include <string>

namespace zov::net {

struct UploadReply {
    long httpStatus = 0;
    std::string body; // at most the limit asked for; the rest of a longer reply is dropped
    bool truncated = false;
};

struct UploadRequest {
    std::string url;
    std::string field; // the form field that holds the file
    std::string path; // the file to send
    std::string fileName; // the part's file name
    std::string partType; // the part's content type
    std::size_t maxReply = 64 * 1024;
};

// POSTs the request; a failure to reach the host or to send raises rt::Error with the client
// library's text. An HTTP error status is a reply like any other: the caller judges it.
UploadReply PostFile(const UploadRequest& request);

} // namespace zov::net
