// The platform's rules for splitting a command line into arguments, as a
// function of the text alone.
#ifndef SORVANE_INTEGRATION_ARGUMENT_SPLIT_H
#define SORVANE_INTEGRATION_ARGUMENT_SPLIT_H

// Splits commandLine into arguments. Argument 0 (the program) ends at the
// first space or tab, or at the closing quote when it starts with one; its
// backslashes are literal. The others are separated by spaces and tabs; a
// double-quoted stretch belongs to one argument and loses its quotes;
// 2n backslashes before a quote give n backslashes and the quote delimits,
// 2n + 1 give n backslashes and a literal quote; other backslashes are
// literal.
//
// Each argument is written NUL-terminated into storage, which must hold
// strlen(commandLine) + 1 bytes; arguments[0 .. maxArguments - 1] receive
// their addresses. Returns the number of arguments found, which may exceed
// maxArguments (the rest are then dropped).
int SplitCommandLine(const char* commandLine, char* storage, char** arguments, int maxArguments);

#endif
