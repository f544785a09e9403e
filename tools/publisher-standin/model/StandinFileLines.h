// The publication file's lines, for the model's own readers and writers: what a reading carries
// from one line to the next, and the readers of each kind of line. Not for the model's users.
#pragma once

#include "StandinPublication.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin::file {

enum class Where { Start, Master, Page, Scratch };

// A file being read, line by line.
struct Reading {
    Publication& publication;
    std::size_t number = 0;                // the line's, 1-based
    Where where = Where::Start;            // the part of the file the line is in
    std::vector<Shape>* shapes = nullptr;  // where a "shape" line goes
    bool ownMasters = false;               // the file names its master pages
    bool sawScheme = false;
    std::vector<std::size_t> sectionLines = {};  // the line of each "section", for errors
    std::vector<std::size_t> storyLines = {};    // the line of each "story"
    struct Link {
        int story, place;
        std::size_t line;
    };
    std::vector<Link> links = {};  // each "link" line, in the order of the frames
};

// A line as quoted in an error: " \"<at most 40 characters>\"", or nothing when it is not UTF-8.
std::string Quoted(std::string_view line);
// " \"<line>\"" or " an empty line".
std::string Found(std::string_view line);

// "<word>" or "<word> ...": the rest after the blank (nullopt when the line is another kind).
std::optional<std::string_view> After(std::string_view line, std::string_view word);

bool ParseInt(std::string_view text, int& value);            // the whole text, a decimal integer
std::vector<std::string_view> Words(std::string_view text);  // split at each blank

// Readers of a line kind: false when the line is of another kind; throw FormatError when it is
// of theirs and malformed or out of place.
bool ReadScheme(Reading& reading, std::string_view line);
bool ReadSection(Reading& reading, std::string_view line);
bool ReadPageAttribute(Reading& reading, std::string_view line);  // ignore-master, background
bool ReadFill(Reading& reading, std::string_view line);
bool ReadStory(Reading& reading, std::string_view line);
bool ReadCapacity(Reading& reading, std::string_view line);
bool ReadLink(Reading& reading, std::string_view line);
// After the last line: the sections fit the pages; each story flows through two frames or more,
// placed 1, 2, 3 (and then flows). Throw FormatError.
void CheckSections(const Reading& reading);
void CheckStories(const Reading& reading);

// Writers of the same lines, each ending in CR LF; nothing where a new publication has the
// same. Throw std::invalid_argument for what the format cannot hold.
void AppendSchemeAndSections(std::string& out, const Publication& publication);
void AppendPageAttributes(std::string& out, const Page& page);
void AppendFill(std::string& out, const Fill& fill);
void AppendStories(std::string& out, const Publication& publication);
void AppendFrame(std::string& out, const Shape& shape);  // its capacity and link

}  // namespace standin::file
