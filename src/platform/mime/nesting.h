#pragma once
// The nesting cut of the MIME component: multiparts nested deeper than a limit are turned into
// leaves before GMime parses the message.
//
// GMime compares every line that starts with "--" against every boundary open around it, so a
// message of many thousand nested multiparts costs lines x depth to parse, seconds for a few
// megabytes, although nothing that deep is ever read. One linear scan follows the structure the
// way GMime 3.2 reads it (header blocks with folded lines and skipped non-header lines, the last
// Content-Type field, one without "type/subtype" counting as none, the parts of a digest being
// messages by default, delimiter lines innermost boundary first with trailing blanks, header
// blocks ended by a delimiter, enclosed messages) and, in place:
// - renames the boundary parameter of each multipart that opens with `maximumDepth` multiparts
//   open around it ("boundary=" becomes "Xoundary="), so that GMime reads it as a multipart
//   without parts: its lines are plain content and the list of open boundaries stays short;
// - inside such a multipart, turns the first "-" of a delimiter line of a level inside it whose
//   boundary an outer level also has into a line end, so that the cut part ends where it ended.
// Everything outside the cut parts parses as before. A boundary the scan cannot be sure to read
// as GMime does (an RFC 2231 or encoded form, comments, escapes, blanks at its ends) makes its
// part a leaf for the scan: above the limit, what is inside it is left to GMime uncut (slower, read
// the same); inside a cut part, a delimiter line of such a part that an outer multipart shares can
// end the cut part early. A message with no more Content-Type lines than `maximumDepth` cannot nest
// that deep and is not scanned at all.

#include <cstddef>
#include <span>

namespace velora::platform {

// `message` starts at its header block. Returns the number of multiparts changed.
std::size_t CutDeepMultiparts(std::span<char> message, int maximumDepth);

}  // namespace velora::platform
