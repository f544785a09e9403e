// The file lines of stories: "story <text>" before the master pages, and after a frame's
// "shape" line its "capacity <n>" and "link <story> <place>".
#include "StandinFileLines.h"
#include "StandinStories.h"

#include <algorithm>
#include <stdexcept>

namespace standin::file {
namespace {

constexpr std::string_view kStory = "story";
constexpr std::string_view kCapacity = "capacity";
constexpr std::string_view kLink = "link";
constexpr int kLargestCapacity = 1000000;

// The shape a frame line is about: the last one read, on a page or in the scratch area.
Shape& FrameOf(Reading& reading, std::string_view word) {
    if (reading.shapes == nullptr || reading.shapes->empty()) {
        throw FormatError(reading.number,
                          "a \"" + std::string(word) + "\" line before any \"shape\" line");
    }
    return reading.shapes->back();
}

}  // namespace

bool ReadStory(Reading& reading, std::string_view line) {
    const std::optional<std::string_view> text = After(line, kStory);
    if (!text) return false;
    if (reading.where != Where::Start) {
        throw FormatError(reading.number, "a \"story\" line after a master or page");
    }
    try {
        reading.publication.stories.push_back(FromUtf8(*text));
    } catch (const std::invalid_argument&) {
        throw FormatError(reading.number, "the story's text is not UTF-8");
    }
    reading.storyLines.push_back(reading.number);
    return true;
}

bool ReadCapacity(Reading& reading, std::string_view line) {
    const std::optional<std::string_view> rest = After(line, kCapacity);
    if (!rest) return false;
    Shape& frame = FrameOf(reading, kCapacity);
    int capacity = 0;
    if (!ParseInt(*rest, capacity) || capacity < 1 || capacity > kLargestCapacity ||
        frame.capacity != 0) {
        throw FormatError(reading.number,
                          "expected one \"capacity <characters>\" from 1 to 1000000 after a "
                          "\"shape\" line, found" +
                              Quoted(line));
    }
    frame.capacity = capacity;
    return true;
}

bool ReadLink(Reading& reading, std::string_view line) {
    const std::optional<std::string_view> rest = After(line, kLink);
    if (!rest) return false;
    Shape& frame = FrameOf(reading, kLink);
    if (reading.where == Where::Master) {
        throw FormatError(reading.number, "frames on master pages are not linked");
    }
    const std::vector<std::string_view> words = Words(*rest);
    int story = 0, place = 0;
    if (words.size() != 2 || !ParseInt(words[0], story) || !ParseInt(words[1], place) ||
        story < 1 || place < 1 || frame.story != 0) {
        throw FormatError(reading.number,
                          "expected one \"link <story> <place>\", each from 1, after a \"shape\" "
                          "line, found" +
                              Quoted(line));
    }
    const int named = static_cast<int>(reading.publication.stories.size());
    int seen = 0;
    for (const Reading::Link& link : reading.links) seen = std::max(seen, link.story);
    if (story > named || story > seen + 1) {
        throw FormatError(
            reading.number,
            "link to story " + std::to_string(story) + ": " +
                (story > named ? "the file has " + std::to_string(named) + " \"story\" lines"
                               : "stories are numbered in the order their frames "
                                 "come, and the next new one is " +
                                     std::to_string(seen + 1)));
    }
    if (!frame.text.empty()) {
        throw FormatError(reading.number,
                          "a linked frame's \"shape\" line holds no text: its story's flows in");
    }
    frame.story = story;
    frame.place = place;
    reading.links.push_back({story, place, reading.number});
    return true;
}

void CheckStories(const Reading& reading) {
    const std::size_t stories = reading.publication.stories.size();
    for (std::size_t s = 1; s <= stories; ++s) {
        std::vector<int> places;
        std::size_t lastLine = reading.storyLines[s - 1];
        for (const Reading::Link& link : reading.links) {
            if (static_cast<std::size_t>(link.story) != s) continue;
            if (std::find(places.begin(), places.end(), link.place) != places.end()) {
                throw FormatError(link.line, "story " + std::to_string(s) + " has two frames at " +
                                                 "place " + std::to_string(link.place));
            }
            places.push_back(link.place);
            lastLine = link.line;
        }
        if (places.size() < 2) {
            throw FormatError(lastLine, "story " + std::to_string(s) + " has " +
                                            std::to_string(places.size()) +
                                            " frames; a story flows through two or more");
        }
        if (*std::max_element(places.begin(), places.end()) != static_cast<int>(places.size())) {
            throw FormatError(lastLine, "story " + std::to_string(s) +
                                            "'s frames are placed 1 to " +
                                            std::to_string(places.size()) + ", no other place");
        }
    }
    FlowStories(reading.publication);
}

void AppendStories(std::string& out, const Publication& publication) {
    for (const std::wstring& story : publication.stories) {
        if (story.find_first_of(L"\r\n") != std::wstring::npos) {
            throw std::invalid_argument("a story's text holds a line break: " + ToUtf8(story));
        }
        out += std::string(kStory) + ' ' + ToUtf8(story) + "\r\n";
    }
}

void AppendFrame(std::string& out, const Shape& shape) {
    if (shape.capacity > 0)
        out += std::string(kCapacity) + ' ' + std::to_string(shape.capacity) + "\r\n";
    if (shape.story > 0) {
        out += std::string(kLink) + ' ' + std::to_string(shape.story) + ' ' +
               std::to_string(shape.place) + "\r\n";
    }
}

}  // namespace standin::file
