// What the command line asks of a local build, as the engine needs it.
#pragma once

namespace engine {

class BuildTrace;
class CompilationDatabase;

struct BuildSettings {
  bool buildAll = false;         // a dependent that exists counts as newer (-A)
  bool showTimestamps = false;   // the timestamp view of each target built (-D)
  bool ignoreErrors = false;     // a failing command stops nothing (-I)
  bool keepGoing = false;        // a failure stops only what needs it (-K)
  bool queryOnly = false;        // the exit code tells whether anything is out of date (-Q)
  bool silent = false;           // no command echo (-S)
  bool touchOnly = false;        // set the targets' times instead of building (-T)
  bool executeCommands = true;   // run the commands, not only list them
  bool progressOutput = false;   // counts for a front end (-X)
  bool echoInlineFiles = false;  // echo inline files with their commands (-X2)
  bool useDirectRunner = true;   // a process per command, else one resident processor (-L)
  int jobs = 1;                  // commands run at once (-J)
  // Where the compile commands go instead of being run or echoed (-G).
  CompilationDatabase* compilationDatabase = nullptr;
  // Where the commands run are traced (-Z).
  BuildTrace* trace = nullptr;
};

}  // namespace engine
