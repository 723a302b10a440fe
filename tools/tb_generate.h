#pragma once
// Tables by retrograde analysis: every position of a class with its
// distance to mate, written as the raw files the probe reads.
#include <string>

namespace ostrim::tools {

// Generates the row's two tables into `dir` (class.nbw, class.nbb; a class
// with the same material on both sides only .nbw), first loading from
// `dir` or generating every class a capture or a promotion leads to.
// Without `rebuild`, existing files of the class itself are read instead.
// Prints its progress; false on a failure, already reported.
bool generate_class(int row, const std::string& dir, bool rebuild);

}  // namespace ostrim::tools
