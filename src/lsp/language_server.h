// The language server: JSON-RPC over framed messages, the document store, and the
// compile of the scenarios the open documents belong to. It holds no thread and no
// file descriptor: the caller feeds it bytes and sends what it hands back, so the
// same code runs over standard input and output and inside the tests.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <string_view>

#include "lsp/document_store.h"
#include "lsp/message_framing.h"
#include "lsp/scenario_check.h"

namespace binario::lsp {

class language_server {
  public:
    // `send` receives each outgoing message, framed.
    explicit language_server(std::function<void(const std::string&)> send);

    // Takes bytes from the client: handles every message they complete, then
    // compiles the scenarios those messages changed and publishes their diagnostics.
    void receive(std::string_view bytes);

    // The client sent "exit": the process should end with exit_code().
    bool exited() const { return exited_; }
    // 0 after an orderly shutdown, 1 otherwise (also when the input simply ends).
    int exit_code() const { return shutdown_ ? 0 : 1; }

    // Handles one message body (no framing); for the tests and the fuzz target.
    void handle(std::string_view body);

  private:
    void dispatch(const nlohmann::json& message);
    nlohmann::json request(const std::string& method, const nlohmann::json& params);
    void notification(const std::string& method, const nlohmann::json& params);
    void reply(const nlohmann::json& id, nlohmann::json result);
    void reply_error(const nlohmann::json& id, int code, const std::string& message);
    void send_json(const nlohmann::json& message);

    void touched(const std::string& uri);
    void closed(const std::string& uri);
    void check_pending();
    void publish(const scenario_pair& pair, const scenario_result& result);
    void publish_empty(const std::string& uri);
    std::string uri_for(const std::string& path) const;
    const scenario_result* compiled_for(const std::string& path) const;

    std::function<void(const std::string&)> send_;
    message_reader reader_;
    document_store docs_;
    bool initialized_ = false;
    bool shutdown_ = false;
    bool exited_ = false;

    // The scenarios to compile once the messages at hand are handled, by key.
    std::map<std::string, scenario_pair> pending_;
    // The last compile of each scenario, and the URIs its diagnostics went to.
    struct checked {
        scenario_pair pair;
        std::shared_ptr<const scenario_result> result;
        std::set<std::string> published;
    };
    std::map<std::string, checked> checked_;
};

}  // namespace binario::lsp
