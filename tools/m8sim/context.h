// What every command shares: the global options, the output, and the handset it works on.
#pragma once

#include <CLI/CLI.hpp>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "output.h"
#include "sim/handset.h"

namespace m8sim {

struct Context {
  Context(std::ostream& out_stream, std::ostream& err_stream)
      : out(out_stream, json), err(err_stream) {}
  ~Context();

  // --handset: the handset home; empty means $M8_HANDSET, else ./handset.
  std::string handset_option;
  // --json: one JSON object a line.
  bool json = false;
  Output out;
  std::ostream& err;
  // What the chosen command does once the command line is parsed; returns the exit code.
  std::function<int()> action;
  // The command being run, as a shell would show it, without the global options.
  std::string command_line;
  // What the command made of the handset in a line ("QueryNetWorkStatus() -> 5"), for the mark
  // that ends it in the journal file.
  std::string result_text;
  // Whether the effects go to the home's journal file (when it has one), between a mark naming
  // the command and one with its outcome. A context that only looks at the handset turns it off.
  bool journal_file = true;

  // The handset home the options name.
  std::filesystem::path Home() const;
  // The handset at Home(), made current; the default handset is made there first when the home
  // holds none. Its journal starts empty.
  sim::Handset& Handset();
  // Mounts the handset at Home() for a command that works on its registry and files, and
  // returns its journal, empty: attached to the home's running server when one runs (the
  // command's effects are in the server's journal too), else the handset itself (Handset()).
  cehost::Journal& Mount();
  // Ends the command in the journal file: a mark with its exit code, result_text and the error
  // message; nothing when no handset was mounted. Nothing more goes to the file after it.
  void MarkEnd(int code, const std::string& error);
  // Begins the command in the journal file while a panel serves the home and a server runs for
  // it, without mounting the handset: for a command the running server carries out, whose
  // effects it journals.
  void MarkServedCommand();
  // When the home's handset server runs, makes this process a program attached to it, as an
  // application is: the library's calls reach the running handset, and their effects are in
  // the server's journal. False, attaching nothing, when no server runs.
  bool AttachToServer();

 private:
  std::unique_ptr<sim::Handset> handset_;
  bool attached_ = false;
  // The journal file's marks of a command the server carried out.
  std::unique_ptr<cehost::Journal> marks_;
};

// The commands, each adding itself (and its subcommands) to the application.
void AddCallCommands(CLI::App& app, Context& ctx);
void AddDemoCommand(CLI::App& app, Context& ctx);
// Add reset and wlan to the demo command.
void AddResetDemo(CLI::App& demo, Context& ctx);
void AddWlanDemo(CLI::App& demo, Context& ctx);
void AddRegCommands(CLI::App& app, Context& ctx);
void AddIniCommands(CLI::App& app, Context& ctx);
void AddFsCommands(CLI::App& app, Context& ctx);
void AddHandsetCommands(CLI::App& app, Context& ctx);
// Adds snapshot and diff to the handset command.
void AddSnapshotCommands(CLI::App& handset, Context& ctx);
// Adds set to the handset command.
void AddHandsetSetCommand(CLI::App& handset, Context& ctx);
// Adds start, stop and status (the home's handset server) to the handset command.
void AddServerCommands(CLI::App& handset, Context& ctx);
void AddShellCommands(CLI::App& app, Context& ctx);
void AddSipCommands(CLI::App& app, Context& ctx);
void AddDeviceCommands(CLI::App& app, Context& ctx);
void AddServeCommand(CLI::App& app, Context& ctx);

}  // namespace m8sim
