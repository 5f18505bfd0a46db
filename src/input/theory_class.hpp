#pragma once
// The two questions every module asks of the request: does the theory belong to a class,
// and is a print option set.

namespace ostrel {

// 1 when `theory` (upper case) belongs to the class "DFT", "GRID", "CI", "FIT" or "DUAL";
// 0 otherwise, and for every other class name.
int theory_in_class(const char* theory, const char* class_name);

// Looks `word` up in the first 64 bytes of the print-option record (always "PRINT").
// Returns 1 when its first occurrence opens the text or follows "+", -1 when it follows
// "-", 0 when it is missing or follows anything else. With `broadcast` set the master's
// text reaches every node first (collective); without it only the master can answer.
int print_option(const char* record, const char* word, int broadcast);

}  // namespace ostrel
