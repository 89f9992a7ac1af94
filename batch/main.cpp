// korvane-batch: the command-line tool over the core.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

#include "batch/BatchCommands.h"
#include "batch/ReportDialogs.h"
#include "export/PackedFiles.h"
#include "find/CheckMacros.h"
#include "stream/TxStream.h"

namespace {

constexpr char kUsage[] =
    "usage:\n"
    "  korvane-batch normalize IN.pgn OUT.pgn [--buffer N]\n"
    "  korvane-batch replay FILE.pgn [--jobs N]\n"
    "  korvane-batch check FILE.pgn [--jobs N]\n"
    "  korvane-batch find FILE.pgn TEXT [--whole] [--buffer N]\n"
    "  korvane-batch fix IN.pgn OUT.pgn --macro N [--macro M ...] [--buffer N]\n"
    "  korvane-batch pack IN.pgn OUT.pgc [--append]\n"
    "  korvane-batch unpack IN.pgc OUT.pgn [--start N] [--max M]\n"
    "  korvane-batch --help | --version | COMMAND --help\n";

constexpr char kFooter[] =
    "Reports go to stdout; errors, warnings and the program's messages to stderr.\n"
    "An output file is written beside its target and put in place only when complete;\n"
    "Ctrl-C, SIGTERM and SIGHUP leave the old file and remove the run's temporary files.\n\n"
    "Exit status (every command):\n"
    "  0  done, nothing to report\n"
    "  1  done, with findings: failing games (replay), check findings (check),\n"
    "     text a repair dropped or moved (normalize, fix, pack, unpack)\n"
    "  2  wrong use: an unknown command or option, a bad value\n"
    "  3  failure: unreadable input, an I/O error, an internal error\n";

// A buffer size the window accepts.
const CLI::Validator kBufferSize(
    [](std::string& text) -> std::string {
      const std::string why = "must be a multiple of 10000 from 10000 to 900000";
      if (text.empty() || text.size() > 6 ||
          text.find_first_not_of("0123456789") != std::string::npos)
        return why;
      const long n = std::stol(text);
      return n >= kMinBufferSize && n <= kMaxBufferSize && n % 10000 == 0 ? "" : why;
    },
    "10000..900000 by 10000", "BUFFER");

const CLI::Validator kRepairMacro(
    [](std::string& text) -> std::string {
      const std::string why = "macro " + text +
                              " does not replace; the repairing macros are 2, 3, 4, 11, 12, 13, "
                              "18, 19 and 20";
      if (text.empty() || text.size() > 2 ||
          text.find_first_not_of("0123456789") != std::string::npos)
        return why;
      return IsReplaceMacro(std::stoi(text)) ? "" : why;
    },
    "2 3 4 11 12 13 18 19 20", "MACRO");

const CLI::Validator kCount(
    [](std::string& text) -> std::string {
      return text.empty() || text.size() > 18 ||
                     text.find_first_not_of("0123456789") != std::string::npos
                 ? "takes digits only"
                 : "";
    },
    "digits", "COUNT");

void AddBuffer(CLI::App* app, TBatchOptions& o) {
  app->add_option("--buffer", o.BufferSize, "the buffer size (page size) as in the window")
      ->check(kBufferSize);
}

void AddJobs(CLI::App* app, TBatchOptions& o) {
  app->add_option("--jobs", o.Jobs, "threads (default: every core)")->check(CLI::Range(1, 1024));
}

}  // namespace

int main(int argc, char** argv) {
  InstallSignalCleanup();
  TBatchOptions o;
  o.BufferSize = kDefaultBufferSize;
  o.Jobs = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  o.Start = kDefaultStartGame;
  o.Maximum = kDefaultMaximumGames;

  CLI::App app(
      "korvane-batch: the Korvane PGN collection editor's commands without its window.\n\n" +
          std::string(kUsage),
      "korvane-batch");
  app.set_version_flag("--version", std::string("korvane-batch ") + KORVANE_VERSION);
  app.require_subcommand(1);
  app.footer(kFooter);

  struct TCommand {
    CLI::App* App;
    int (*Run)(const TBatchOptions&);
  };
  std::vector<TCommand> commands;

  CLI::App* c =
      app.add_subcommand("normalize", "Open followed by Save: IN.pgn cleaned into OUT.pgn");
  c->add_option("IN", o.In, "the collection")->required();
  c->add_option("OUT", o.Out, "the cleaned collection (may be IN)")->required();
  AddBuffer(c, o);
  commands.push_back({c, RunNormalize});

  c = app.add_subcommand("replay", "plays every game's moves; one line per failing game");
  c->add_option("FILE", o.In, "the collection")->required();
  AddJobs(c, o);
  commands.push_back({c, RunReplay});

  c = app.add_subcommand("check", "the seven game checks over every page of the file");
  c->add_option("FILE", o.In, "the collection")->required();
  AddJobs(c, o);
  commands.push_back({c, RunCheck});

  c = app.add_subcommand("find",
                         "lists every line of the file that holds TEXT (case-sensitive, '?' any "
                         "byte), with its page and offset, then their count");
  c->add_option("FILE", o.In, "the collection")->required();
  c->add_option("TEXT", o.Text, "the text to look for")
      ->required()
      ->check([](const std::string& t) {
        return t.empty() ? std::string("must not be empty") : std::string();
      });
  c->add_flag("--whole", o.Whole, "whole words only");
  AddBuffer(c, o);
  commands.push_back({c, RunFind});

  c = app.add_subcommand("fix", "repairing check macros over every page, then Save");
  c->add_option("IN", o.In, "the collection")->required();
  c->add_option("OUT", o.Out, "the repaired collection (may be IN)")->required();
  c->add_option("--macro", o.Macros, "a repairing macro, applied in the order given")
      ->required()
      ->check(kRepairMacro);
  AddBuffer(c, o);
  commands.push_back({c, RunFix});

  c = app.add_subcommand("pack", "Save As Packed: every game of IN.pgn packed into OUT.pgc");
  c->add_option("IN", o.In, "the collection")->required();
  c->add_option("OUT", o.Out, "the packed file (not IN)")->required();
  c->add_flag("--append", o.Append, "add to the end of an existing packed file");
  commands.push_back({c, RunPack});

  c = app.add_subcommand("unpack", "Open Packed, then Save: IN.pgc unpacked into OUT.pgn");
  c->add_option("IN", o.In, "the packed file")->required();
  c->add_option("OUT", o.Out, "the collection (not IN)")->required();
  c->add_option("--start", o.Start, "the first game (default 1)")->check(kCount);
  c->add_option("--max", o.Maximum, "at most this many games")->check(kCount);
  commands.push_back({c, RunUnpack});

  if (argc >= 2 && argv[1][0] != '-' &&
      std::none_of(commands.begin(), commands.end(),
                   [&](const TCommand& command) { return command.App->get_name() == argv[1]; })) {
    std::fprintf(stderr, "korvane-batch: unknown command %s\n%s", argv[1], kUsage);
    return kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "korvane-batch: %s\n%s", e.what(), kUsage);
    return kExitUsage;
  }
  for (const TCommand& command : commands) {
    if (!command.App->parsed()) continue;
    BatchCommand = command.App->get_name().c_str();
    // Whatever the command, the work directories of killed runs go.
    RemoveStaleBatchDirs();
    return command.Run(o);
  }
  std::fputs(kUsage, stderr);
  return kExitUsage;
}
