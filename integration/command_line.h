// The program's command line: options "/Name=digits" that override numeric
// settings for one run, and one path to load at start-up.
#ifndef SORVANE_INTEGRATION_COMMAND_LINE_H
#define SORVANE_INTEGRATION_COMMAND_LINE_H

// Fills settingsOverride and path (capacity characters, the first argument
// that is not an option, or empty) from the process's command line.
void ParseCommandLine(char* path, unsigned capacity);

// The same for a given command-line text (argument 0 is the program).
void ParseCommandLineText(const char* commandLine, char* path, unsigned capacity);

// Puts each setting's default in place of an override value outside its
// accepted range.
void ValidateOverrides();

#endif
