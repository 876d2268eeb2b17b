#include "engine/text_out.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <span>

#include "base/text_encoding.h"

namespace tolven {
namespace {

// Shift-JIS （ and ）: the reading goes after its base text, in the text's own width.
constexpr std::string_view kReadingOpen = "\x81\x69";
constexpr std::string_view kReadingClose = "\x81\x6A";

// Blanks at either end, ASCII or the full-width one the scripts indent with, carry nothing a
// reader wants and would make two copies of a line differ.
std::string_view TrimBlanks(std::string_view utf8) {
  constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";
  for (;;) {
    if (utf8.starts_with(' ') || utf8.starts_with('\t')) {
      utf8.remove_prefix(1);
    } else if (utf8.starts_with(kIdeographicSpace)) {
      utf8.remove_prefix(kIdeographicSpace.size());
    } else if (utf8.ends_with(' ') || utf8.ends_with('\t')) {
      utf8.remove_suffix(1);
    } else if (utf8.ends_with(kIdeographicSpace)) {
      utf8.remove_suffix(kIdeographicSpace.size());
    } else {
      return utf8;
    }
  }
}

std::string Utf8Trimmed(std::string_view shiftJis) {
  return std::string(TrimBlanks(ShiftJisToUtf8Lossy(shiftJis)));
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    if (!text.empty()) text += '\n';
    text += line;
  }
  return text;
}

// The characters of a page grid, one row a line, row 0 the speaker of the row after it. The gaps
// of the indent and of large characters hold zero bytes.
std::string GridText(std::span<const uint8_t> bytes) {
  std::vector<std::string> lines;
  std::string speaker;
  for (size_t row = 0; row * kPageBufferColumns < bytes.size(); ++row) {
    const auto cells = bytes.subspan(
        row * kPageBufferColumns,
        std::min<size_t>(kPageBufferColumns, bytes.size() - row * kPageBufferColumns));
    std::string text;
    for (uint8_t byte : cells) {
      if (byte != 0) text += static_cast<char>(byte);
    }
    const std::string utf8 = Utf8Trimmed(text);
    if (utf8.empty()) continue;
    if (row == 0) {
      speaker = utf8;
    } else {
      lines.push_back(FormatSpeakerLine(speaker, utf8));
      speaker.clear();
    }
  }
  if (!speaker.empty()) lines.push_back(FormatSpeakerLine(speaker, {}));
  return Joined(lines);
}

// "1" on, "0" or nothing off; anything else is off and named in the trace.
bool ReadSwitch(std::string_view name, const std::optional<std::string>& value, Trace& trace) {
  if (!value) return false;
  const std::string_view text = TrimBlanks(*value);
  if (text != "0" && text != "1") {
    trace.Write("[Tolven] " + std::string(name) + "=" + *value + " is neither 0 nor 1: 0 is kept");
  }
  return text == "1";
}

}  // namespace

std::string FormatSpeakerLine(std::string_view speakerUtf8, std::string_view textUtf8) {
  if (speakerUtf8.empty()) return std::string(textUtf8);
  return "【" + std::string(speakerUtf8) + "】" + std::string(textUtf8);
}

// ---- The file or pipe ---------------------------------------------------------------------

std::unique_ptr<TextOutFile> TextOutFile::Open(const std::filesystem::path& path,
                                               std::string& why) {
  struct stat info {};
  if (stat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode)) {
    auto file = std::unique_ptr<TextOutFile>(new TextOutFile(path, -1, true));
    file->OpenPipe();
    return file;
  }
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    why = path.string() + ": " + std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<TextOutFile>(new TextOutFile(path, fd, false));
}

TextOutFile::~TextOutFile() {
  if (fd_ >= 0) close(fd_);
}

// Without a reader the open fails at once (ENXIO) rather than waiting for one.
bool TextOutFile::OpenPipe() {
  if (fd_ < 0) fd_ = open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  return fd_ >= 0;
}

void TextOutFile::WriteLine(std::string_view utf8) {
  std::string bytes(utf8);
  bytes += '\n';
  if (pipe_) {
    // Up to PIPE_BUF bytes go into a pipe whole or not at all, so a reader never gets half a
    // line; a longer line is cut to fit.
    if (bytes.size() > PIPE_BUF) {
      bytes.resize(PIPE_BUF - 1);
      bytes += '\n';
    }
    if (OpenPipe() && !WritePipe(bytes)) {
      close(fd_);
      fd_ = -1;
    }
    return;
  }
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t written = write(fd_, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;  // a full disk loses the line, not the game
    done += static_cast<size_t>(written);
  }
}

// A reader that went away would raise SIGPIPE and end the program: the signal is held back
// for the write and taken off again, and the pipe is closed to wait for the next reader.
bool TextOutFile::WritePipe(std::string_view bytes) {
  sigset_t pipeSignal;
  sigset_t before;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &before);
  ssize_t written;
  do {
    written = write(fd_, bytes.data(), bytes.size());
  } while (written < 0 && errno == EINTR);
  const int error = written < 0 ? errno : 0;
  if (error == EPIPE) {
    const timespec noWait{};
    sigtimedwait(&pipeSignal, nullptr, &noWait);
  }
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  // A full pipe drops this line and keeps the reader.
  return error != EPIPE;
}

// ---- The printed lines --------------------------------------------------------------------

TextOut::TextOut(Host& host, Trace& trace, const Settings& settings, const TextOutOptions& options)
    : host_(host), trace_(trace), settings_(settings), options_(options) {
  copyEachLine_ = options_.copyText;
}

void TextOut::ReadOwnSettings(const std::optional<std::string>& copyText,
                              const std::optional<std::string>& speak) {
  copyEachLine_ = ReadSwitch("CopyText", copyText, trace_) || options_.copyText;
  speak_ = ReadSwitch("Speak", speak, trace_);
}

void TextOut::PrintedCharacter(std::string_view bytes) {
  line_ += bytes;
  if (rubyLeft_ > 0 && --rubyLeft_ == 0) CloseRuby();
}

void TextOut::PrintedRuby(int count, std::string_view reading) {
  CloseRuby();
  rubyLeft_ = std::max(count, 1);
  rubyReading_ = reading;
}

void TextOut::CloseRuby() {
  if (rubyReading_.empty()) {
    rubyLeft_ = 0;
    return;
  }
  line_ += kReadingOpen;
  line_ += rubyReading_;
  line_ += kReadingClose;
  rubyReading_.clear();
  rubyLeft_ = 0;
}

void TextOut::PrintedLineEnd(bool speakerLine) {
  CloseRuby();
  const std::string utf8 = Utf8Trimmed(line_);
  line_.clear();
  if (speakerLine) {
    FlushSpeaker();
    speaker_ = utf8;
    return;
  }
  // A line with nothing to read (only tags, or blanks) is no line to a reader.
  if (utf8.empty()) return;
  const std::string out = FormatSpeakerLine(speaker_, utf8);
  speaker_.clear();
  Send(out);
}

// A speaker line with no text after it before the wait still says who is there.
void TextOut::FlushSpeaker() {
  if (speaker_.empty()) return;
  const std::string out = FormatSpeakerLine(speaker_, {});
  speaker_.clear();
  Send(out);
}

void TextOut::WaitBegins() {
  FlushSpeaker();
  voiced_ = false;
  waitedSinceClear_ = true;
}

// Turning the page after a wait is the player moving on: what is still being said of the old
// page stops. A page that follows at once (▽) is read on.
void TextOut::PageCleared(bool fromSavedGame) {
  if (waitedSinceClear_ && speechStarted_) options_.speech->Cancel();
  waitedSinceClear_ = false;
  pageLines_.clear();
  pageFromSave_ = fromSavedGame;
  if (fromSavedGame) LineAbandoned();
}

void TextOut::LineAbandoned() {
  line_.clear();
  rubyLeft_ = 0;
  rubyReading_.clear();
  speaker_.clear();
}

void TextOut::Send(const std::string& utf8) {
  pageLines_.push_back(utf8);
  if (options_.file != nullptr) options_.file->WriteLine(utf8);
  if (copyEachLine_) host_.SetClipboardText(utf8);
  if (speak_) Speak(utf8);
}

// A line whose voice is heard is not read over it; with voices off it is spoken.
void TextOut::Speak(const std::string& utf8) {
  if (voiced_ && settings_.Wave == 0) return;
  if (!speechStarted_ && !speechFailed_) {
    std::string why = "this run has no speech output";
    speechStarted_ = options_.speech != nullptr && options_.speech->Start(why);
    if (!speechStarted_) {
      speechFailed_ = true;
      trace_.Write("Speak=1 does nothing: " + why);
    }
  }
  if (speechStarted_) options_.speech->Say(utf8);
}

std::string TextOut::PageText() const {
  std::vector<std::string> lines = pageLines_;
  std::string partial = line_;
  std::string reading = rubyReading_;
  if (!reading.empty()) partial += std::string(kReadingOpen) + reading + std::string(kReadingClose);
  const std::string text = Utf8Trimmed(partial);
  if (!text.empty() || !speaker_.empty()) lines.push_back(FormatSpeakerLine(speaker_, text));
  return Joined(lines);
}

std::string TextOut::PageRows(const MessageOutput& output) {
  return GridText(output.PageBytes());
}

bool TextOut::CopyShownText(const EngineFlags& flags, const MessageOutput& output,
                            const Backlog& backlog) {
  std::string text;
  if (flags.BacklogOpen) {
    // The rows the log shows, as DrawLog lays them out; voice rows hold no text.
    const int count = output.CompleteBacklogLines();
    const int first = std::max(0, count - (backlog.LogOffset() + kLogRows));
    std::vector<std::string> lines;
    for (int row = 0; row < kLogRows && first + row < count; ++row) {
      const std::string line = output.BacklogLine(first + row);
      if (line.empty() || line[0] == '@') continue;
      const std::string utf8 = Utf8Trimmed(line);
      if (!utf8.empty()) lines.push_back(utf8);
    }
    text = Joined(lines);
  } else if (backlog.OpenView() == BacklogView::History) {
    const HistoryEntry& entry = backlog.Entry(backlog.HistoryCount() - backlog.HistoryPosition());
    text = GridText(entry.text);
  } else if (flags.EngineState == EngineScreen::Story) {
    text = pageFromSave_ && pageLines_.empty() && line_.empty() ? PageRows(output) : PageText();
  }
  if (text.empty()) return false;
  host_.SetClipboardText(text);
  return true;
}

}  // namespace tolven
