// `exeadder add`: a copy of a program with a block of the items that the command line gives; and
// the writing of a block that `stamp` shares.
#pragma once
#include <string>
#include <vector>

#include "appended/uBlockWriter.h"
#include "exeadder/uToolArguments.h"

namespace tooladd {

// IN with a block of items, written to out and read back; returns where the block lies. note
// gets what the builder has to know about signing: a signature removed, signing next.
blockwriter::TFileWithBlock AddAndWrite(const std::string& in, const std::string& out, const blockwriter::TNewItems& items,
                                        const blockwriter::TAddOptions& options,
                                        const toolarguments::TCommandLine& line, std::string& note);

// "block of N bytes at offset X", and the other data behind it.
std::string Placement(const blockwriter::TFileWithBlock& file);

// Runs `add` with the arguments after the command; returns what it prints.
std::string CmdAdd(const std::vector<std::string>& args);

}  // namespace tooladd
