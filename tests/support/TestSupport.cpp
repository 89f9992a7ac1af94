#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "pgn/PgnTags.h"

namespace {

template <typename T>
T TakeFront(std::deque<T>& queue) {
  T front = queue.front();
  queue.pop_front();
  return front;
}

}  // namespace

TScriptDialogs::TScriptDialogs() : previous_(SetDialogs(this)) {}

TScriptDialogs::~TScriptDialogs() {
  SetDialogs(previous_);
}

TMsgAnswer TScriptDialogs::Message(const std::string& text, TMsgKind kind, TMsgButtons buttons,
                                   int helpContext) {
  Shown.push_back({text, kind, buttons, helpContext, {}});
  auto& queue = buttons == TMsgButtons::Ok ? OkBoxAnswers : Answers;
  if (!queue.empty()) return TakeFront(queue);
  if (buttons == TMsgButtons::Ok) return TMsgAnswer::Ok;
  ADD_FAILURE() << "unscripted question: " << text;
  return buttons == TMsgButtons::YesNo ? TMsgAnswer::No : TMsgAnswer::Cancel;
}

TMsgAnswer TScriptDialogs::Question(const std::string& text, TMsgKind kind, TMsgButtons buttons,
                                    const std::string& noCaption, int helpContext) {
  const TMsgAnswer answer = Message(text, kind, buttons, helpContext);
  Shown.back().NoCaption = noCaption;
  return answer;
}

bool TScriptDialogs::InputQuery(const std::string& caption, const std::string& prompt,
                                std::string& value) {
  InputQueries.push_back({caption, prompt, value});
  if (Inputs.empty()) return false;
  value = TakeFront(Inputs);
  return true;
}

bool TScriptDialogs::AnswerFileDialog(TFileDialogRequest& request) {
  FileDialogs.push_back(request);
  if (FileNames.empty()) {
    ADD_FAILURE() << "unscripted file dialog: " << request.Title;
    return false;
  }
  const std::string name = TakeFront(FileNames);
  if (!name.empty()) request.FileName = name;
  return !name.empty();
}

std::vector<std::string> TScriptDialogs::Texts() const {
  std::vector<std::string> out;
  for (const auto& b : Shown) out.push_back(b.Text);
  return out;
}

TTempDir::TTempDir() : path_(dir_.Path()) {
  if (path_.empty()) throw std::runtime_error("cannot make a temporary directory");
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string TestDataPath(const std::string& name) {
  return std::string(KORVANE_TEST_DATA) + "/" + name;
}

std::string ToCrLf(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

int RunCapture(const std::string& command, std::string& output, bool withStderr) {
  output.clear();
  FILE* pipe = popen((command + (withStderr ? " 2>&1" : "")).c_str(), "r");
  if (!pipe) return -1;
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, got);
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::unique_ptr<TFStreamTxStr> ConvertAndMap(const std::string& pgnPath,
                                             const std::string& bulletPath, int32_t bufferSize) {
  ClearWorkFileNames();
  {
    TFStreamTxStr input(pgnPath, bulletPath, bulletPath + ".reorg", TOpenMode::Read, bufferSize);
    input.ConvertToBulletFile();
  }
  auto bullet =
      std::make_unique<TFStreamTxStr>(bulletPath, "", "", TOpenMode::ReadWrite, bufferSize);
  bullet->BuildPageMap();
  return bullet;
}

std::string WithoutUnknownTags(const std::string& text) {
  static const std::regex kTagLine(R"(^\[(\w+) )");
  std::string out;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string line = text.substr(at, end - at);
    std::smatch m;
    if (!std::regex_search(line, m, kTagLine) || IsKnownTagName(m[1].str())) out += line;
    at = end;
  }
  return out;
}
