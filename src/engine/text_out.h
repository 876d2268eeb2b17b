#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/engine_flags.h"
#include "base/host.h"
#include "base/settings.h"
#include "base/trace.h"
#include "text/backlog.h"
#include "text/message_output.h"

namespace tolven {

// The key that copies the text shown (the page, the look-back page or the log's rows).
inline constexpr int kCopyTextKey = 'C';

// The file or named pipe of --text-out. A regular file is created (or emptied) once and gets
// one write per line, so a reader following it sees each line whole as soon as it is printed.
// A pipe never holds the engine up: it is opened without blocking when a line is due and a
// reader is there; a line printed while no reader listens, or while the pipe is full, is
// dropped, and a reader that comes later gets the lines from then on.
class TextOutFile {
 public:
  // Nothing, with the reason, when the path can be neither a file nor a pipe to write.
  static std::unique_ptr<TextOutFile> Open(const std::filesystem::path& path, std::string& why);
  ~TextOutFile();
  TextOutFile(const TextOutFile&) = delete;
  TextOutFile& operator=(const TextOutFile&) = delete;

  // The line and a line feed.
  void WriteLine(std::string_view utf8);

 private:
  TextOutFile(std::filesystem::path path, int fd, bool pipe)
      : path_(std::move(path)), fd_(fd), pipe_(pipe) {}
  bool OpenPipe();
  bool WritePipe(std::string_view bytes);

  std::filesystem::path path_;
  int fd_;
  bool pipe_;
};

// Speech for the printed lines (speech-dispatcher in the window host). It starts on first use,
// so a player who never asks for speech never loads it.
class SpeechOutput {
 public:
  virtual ~SpeechOutput() = default;
  // False when it cannot speak, with the reason.
  virtual bool Start(std::string& why) = 0;
  virtual void Say(std::string_view utf8) = 0;
  // What is being said and what waits to be said is dropped.
  virtual void Cancel() = 0;
};

// Where a run sends its text besides the screen. Sinks are not owned.
struct TextOutOptions {
  TextOutFile* file = nullptr;     // --text-out
  bool copyText = false;           // --copy-text: every line to the clipboard
  SpeechOutput* speech = nullptr;  // none: the Speak setting has nothing to speak with
};

// A completed line as it goes out: the speaker, when the line follows a speaker line, in
// 【】 brackets before the text; a ruby as its base text followed by the reading in full-width
// parentheses; blanks at either end taken off.
std::string FormatSpeakerLine(std::string_view speakerUtf8, std::string_view textUtf8);

// The story's printed lines for reading aids: each completed line goes, as UTF-8, to the
// --text-out file, to the clipboard (--copy-text or CopyText=1) and to speech (Speak=1: lines
// without a voice of their own). The copy key puts the text shown on the clipboard.
class TextOut : public PrintedTextObserver {
 public:
  TextOut(Host& host, Trace& trace, const Settings& settings, const TextOutOptions& options);

  // The player's own settings: CopyText and Speak, "1" on.
  void ReadOwnSettings(const std::optional<std::string>& copyText,
                       const std::optional<std::string>& speak);
  bool CopiesEachLine() const { return copyEachLine_; }
  bool Speaks() const { return speak_; }

  // The page as its completed lines, and the line being printed, one a line.
  std::string PageText() const;
  // The copy key: the log's rows while the log shows, the look-back page while it shows,
  // else the story's page. False when nothing is shown that could be copied.
  bool CopyShownText(const EngineFlags& flags, const MessageOutput& output, const Backlog& backlog);

  void PrintedCharacter(std::string_view bytes) override;
  void PrintedRuby(int count, std::string_view reading) override;
  void PrintedLineEnd(bool speakerLine) override;
  void VoiceNamed() override { voiced_ = true; }
  void WaitBegins() override;
  void PageCleared(bool fromSavedGame) override;
  void LineAbandoned() override;

 private:
  void CloseRuby();
  // Every sink the run has; the line has no speaker or carries it already.
  void Send(const std::string& utf8);
  void Speak(const std::string& utf8);
  void FlushSpeaker();
  // After a load the page came from the saved game, not from lines printed in this run: its
  // rows are copied as they stand.
  static std::string PageRows(const MessageOutput& output);

  Host& host_;
  Trace& trace_;
  const Settings& settings_;
  TextOutOptions options_;
  bool copyEachLine_ = false;
  bool speak_ = false;
  bool speechStarted_ = false;
  bool speechFailed_ = false;

  std::string line_;  // Shift-JIS bytes of the line being printed, readings inserted
  int rubyLeft_ = 0;  // characters still under the open reading
  std::string rubyReading_;
  std::string speaker_;  // UTF-8 name of a speaker line whose text has not come yet
  bool voiced_ = false;  // a voice was named since the last wait
  bool waitedSinceClear_ = false;
  bool pageFromSave_ = false;
  std::vector<std::string> pageLines_;  // UTF-8 lines of the page, speakers marked
};

}  // namespace tolven
