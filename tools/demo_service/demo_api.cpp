#include "demo_api.h"

#include <random>

#include "form_decoding.h"
#include "thesaurus.h"

namespace zorapi::demo {
namespace {

constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\"?>";

std::string EscapeXml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

ApiReply XmlReply(std::string_view inner) {
  ApiReply reply;
  reply.body = std::string(kXmlDeclaration) + "<reply>" + std::string(inner) + "</reply>";
  return reply;
}

ApiReply ErrorReply(std::string_view message) { return XmlReply("<error>" + EscapeXml(message) + "</error>"); }

ApiReply ServerError(int status, std::string reason, std::string_view message) {
  ApiReply reply;
  reply.status = status;
  reply.reason = std::move(reason);
  reply.body = "<html><body>" + EscapeXml(message) + "</body></html>";
  return reply;
}

int IntField(const FormFields& fields, std::string_view name, int fallback) {
  try {
    return std::stoi(FieldValue(fields, name));
  } catch (...) {
    return fallback;
  }
}

}  // namespace

ApiReply DemoApi::Handle(std::string_view method, std::string_view target, std::string_view body) {
  if (target != "/api.php") return ServerError(404, "Not Found", "no such script");
  if (method != "POST") return ServerError(405, "Method Not Allowed", "POST only");
  if (!IsWellFormedUtf8(body)) return ServerError(500, "Internal Server Error", "body is not UTF-8");
  const FormFields fields = DecodeForm(body);
  for (const auto& [name, value] : fields) {
    if (!IsWellFormedUtf8(value)) return ServerError(500, "Internal Server Error", "field is not UTF-8");
  }
  const std::string action = FieldValue(fields, "action");
  if (action == "authenticate")
    return Authenticate(FieldValue(fields, "username"), FieldValue(fields, "password"));
  if (action != "identifySynonyms" && action != "replaceEveryonesFavorites")
    return ErrorReply("unknown action");
  if (!KnownSession(FieldValue(fields, "session"))) return ErrorReply("unknown session");
  const std::string text = FieldValue(fields, "text");
  const std::string output = action == "identifySynonyms"
                                 ? MarkSynonyms(text, IntField(fields, "maxsyns", 0))
                                 : ReplaceByFavorites(text);
  return XmlReply("<output>" + EscapeXml(output) + "</output>");
}

ApiReply DemoApi::Authenticate(const std::string& user, const std::string& password) {
  if (user.empty() || password.empty()) return XmlReply("<success>false</success><error>user and password required</error>");
  const std::string session = NewSessionId();
  {
    std::lock_guard<std::mutex> lock(FLock);
    FSessions.insert(session);
  }
  ApiReply reply = XmlReply("<success>true</success><session>" + session + "</session>");
  reply.extraHeaders.push_back("Set-Cookie: demo_visitor=" + session.substr(0, 8) + "; Path=/");
  return reply;
}

bool DemoApi::KnownSession(const std::string& session) {
  std::lock_guard<std::mutex> lock(FLock);
  return FSessions.count(session) != 0;
}

std::string DemoApi::NewSessionId() {
  static constexpr char kWordChars[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_";
  std::random_device device;
  std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kWordChars) - 2);
  std::string id;
  for (int i = 0; i < 24; ++i) id += kWordChars[pick(device)];
  return id;
}

}  // namespace zorapi::demo
