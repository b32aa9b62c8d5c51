// The documents the editor has open: their text as the editor holds it (UTF-8),
// by URI, and the file path each URI names.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace binario::lsp {

// The path of a "file:" URI, percent-decoded; nullopt for any other scheme.
std::optional<std::string> path_of_uri(std::string_view uri);
// A "file:" URI for an absolute path, with the characters outside the unreserved
// set and '/' percent-encoded.
std::string uri_of_path(std::string_view path);

struct document {
    std::string uri;
    std::string path;  // empty when the URI names no file
    std::string text;  // UTF-8, as the editor sent it
    int64_t version = 0;
};

class document_store {
  public:
    document& open(const std::string& uri, std::string text, int64_t version);
    // The full new text; nullptr when the document is not open.
    document* change(const std::string& uri, std::string text, int64_t version);
    void close(const std::string& uri);

    const document* find(const std::string& uri) const;
    const document* find_path(const std::string& path) const;
    const std::map<std::string, document>& all() const { return documents_; }

  private:
    std::map<std::string, document> documents_;
};

}  // namespace binario::lsp
