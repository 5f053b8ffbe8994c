// Registers the common-control classes (progress bars, tool tips) once per process.
#pragma once

void EnsureCommonControls();
