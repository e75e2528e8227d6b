// The start-up sequence: returns the process exit code.
#pragma once

int Run();
