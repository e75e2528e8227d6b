// dorvane_driver: drives the program from outside, as a user and the shell
// would, for the end-to-end tests. One subcommand per call; bash scripts
// orchestrate them. Exit codes: 0 done, 1 the expected state did not come
// (the message says what was expected and what was found), 2 bad usage or a
// system call that failed.
#include "command.h"

namespace driver {
namespace {

struct Command {
  const wchar_t* name;
  int (*run)(int, wchar_t**);
};

const Command kCommands[] = {
    {L"launch", Launch},       {L"alive", Alive},          {L"wait-exit", WaitExit},
    {L"kill", Kill},           {L"windows", Windows},      {L"wait-window", WaitWindow},
    {L"hold-window", HoldWindow},
    {L"button", Button},       {L"close-window", CloseWindow}, {L"sync", Sync},
    {L"msgbox", MessageBoxCommand}, {L"menu", MenuCommand}, {L"tray", Tray},
    {L"tray-icons", TrayIcons}, {L"tray-icon", TrayIconCommand}, {L"env", Env},
};

}  // namespace
}  // namespace driver

int wmain(int argc, wchar_t** argv) {
  using namespace driver;
  if (argc >= 2) {
    for (const Command& c : kCommands)
      if (argv[1] == std::wstring(c.name)) return c.run(argc, argv);
  }
  std::wstring names;
  for (const Command& c : kCommands) names += std::wstring(L" ") + c.name;
  return Broken(L"usage: dorvane_driver COMMAND [OPTIONS]; commands:" + names);
}
