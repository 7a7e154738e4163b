// Reading the lists of a shape text, for the shape file reader (not for its users): items
// (words and named lists) with their lines, counted lists, values, the problems of each, and
// the recovery from a missing or extra ')'. BlockReader (ShapeBlockReader.h) reads the known
// blocks with it.
#ifndef TRIMORPH_SHAPEFILE_SHAPELISTREADER_H
#define TRIMORPH_SHAPEFILE_SHAPELISTREADER_H

#include <string>
#include <string_view>

#include "ShapeModel.h"
#include "ShapeNumbers.h"
#include "ShapeProblems.h"
#include "ShapeReader.h"
#include "ShapeTokens.h"

namespace shapefile::reading {

// The list being read, for the problems found in it, and the lists around it. name is a
// literal or a copy that lives while the list is read.
struct Ctx {
  std::string_view name;
  Line line = 0;
  const Ctx* parent = nullptr;
  int depth = 0;  // lists open around it
};

// A known list inside another.
inline Ctx In(const Ctx& parent, std::string_view name, Line line) {
  return {name, line, &parent, parent.depth + 1};
}

// The list in which a known list belongs, or null for a name not known here.
const char* PlaceOf(std::string_view name);

// How a counted list treats items that are not its own kind: a pool (a list that indices
// refer into) reports them, since they would shift every index after them; other lists pass
// over them.
enum class Foreign { REPORT, PASS };

// How the children of a counted list are named: "point ( ... )", "prim_state [NAME] ( ... )",
// or "matrix NAME ( ... )".
enum class Label { NONE, OPTIONAL, REQUIRED };

class ListReader {
 public:
  ListReader(Tokenizer& tokens, ReadResult& result)
      : tok_(tokens), result_(result), shape_(result.shape), problems_(result.problems) {}

 protected:
  struct Item {
    enum Kind { WORD, LIST, END } kind = END;
    std::string_view text;  // a word, or a list's name; valid until two more tokens are read
    Line line = 0;
  };

  // The next item of the list in: a word, a named list whose '(' has been read, or END (its
  // ')' read, or the end of the input, or a list closed for a missing ')').
  Item NextItem(const Ctx& in);
  bool IsPlace(std::string_view list, std::string_view name);
  bool Misplaced(const Item& item, const Ctx& in);
  void Other(const Item& item, const Ctx& in);
  // Whether lists are being closed without their ')': their counts are not to be judged.
  bool Cut() const { return unwindTo_ >= 0 || endReported_; }
  void SkipList(const Ctx& list);
  void ReportEnd(const Ctx& in, Line line);
  void Unexpected(const Item& item, const Ctx& in);

  bool Int(const Item& w, const Ctx& in, int& out);
  bool Long(const Item& w, const Ctx& in, long& out);
  bool Hex(const Item& w, const Ctx& in, uint32_t& out);
  bool Float(const Item& w, const Ctx& in, float& out);
  void WordCount(const Ctx& in, int got, int wanted);

  template <class OnChild>
  void CountedList(const Ctx& list, std::string_view child, Foreign foreign, Label label,
                   OnChild onChild);
  template <class OnValue>
  void CountedWords(const Ctx& list, int group, OnValue onValue);
  template <class OnValue>
  int Values(const Ctx& list, OnValue onValue);
  void Floats(const Ctx& list, float* out, int n);
  std::string OneName(const Ctx& list);
  RawItem Raw(const Ctx& list);
  void Required(bool seen, const char* what, const Ctx& in);
  bool Once(bool& seen, const Item& item, const Ctx& in);

  Tokenizer& tok_;
  ReadResult& result_;
  Shape& shape_;
  Problems& problems_;
  bool endReported_ = false;

 private:
  // Closing the lists whose ')' is missing: every list deeper than unwindTo_ ends, and the list
  // at that depth goes on with the pending item.
  int unwindTo_ = -1;
  Item pending_;
  std::string pendingName_;
  Line lastClose_ = 0;        // the line of the last ')' that closed a known list
  Line earlyReportedIn_ = 0;  // the list in which an early ')' was last reported
  // Whether the list asked about last holds known lists (most lists are asked about many
  // times in a row: every point of points).
  std::string lastAsked_;
  bool lastAskedHolds_ = false;
};

// "NAME ( count child ( ... ) ... )": onChild(ctx, label) reads each child list, whose '(' has
// been read, to its ')'; ctx names the child (the child's name, or the other name found) and
// the list around it.
template <class OnChild>
void ListReader::CountedList(const Ctx& list, std::string_view child, Foreign foreign, Label label,
                             OnChild onChild) {
  long count = -1;
  bool countSeen = false;
  int items = 0;
  while (true) {
    Item item = NextItem(list);
    if (item.kind == Item::END) break;
    if (item.kind == Item::WORD && !countSeen && items == 0) {
      countSeen = true;
      if (ParseLong(item.text, count) && count >= 0) continue;
      problems_.Add(item.line, list.name, ": '", item.text, "' is not a count");
      count = -1;
      continue;
    }
    if (item.kind == Item::WORD && label != Label::NONE && item.text == child) {
      // "matrix NAME (": the word was not followed by '(', so a name or ')' or the end is next.
      Token name = tok_.Next();
      if (name.kind != Token::WORD) {
        problems_.Add(item.line, child, " without a name and '(' in ", list.name);
        if (name.kind == Token::END) ReportEnd(list, name.line);
        break;
      }
      std::string labelText(name.text);
      if (tok_.Peek().kind != Token::OPEN) {
        problems_.Add(item.line, child, " ", labelText, " is not followed by '('");
        continue;
      }
      tok_.Next();
      ++items;
      onChild(In(list, child, item.line), std::move(labelText));
      continue;
    }
    if (item.kind == Item::WORD) {
      problems_.Add(item.line, "unexpected word '", item.text, "' in ", list.name);
      continue;
    }
    if (item.text == child) {
      ++items;
      if (label == Label::REQUIRED) problems_.Add(item.line, child, " without a name");
      onChild(In(list, child, item.line), std::string());
    } else if (foreign == Foreign::REPORT) {
      if (Misplaced(item, list)) continue;
      ++items;
      Unexpected(item, list);
    } else {
      if (Misplaced(item, list)) continue;
      ++items;
      const std::string name(item.text);
      onChild(In(list, name, item.line), std::string());
    }
  }
  if (Cut()) return;
  if (!countSeen) {
    problems_.Add(list.line, list.name, " has no count");
  } else if (count >= 0 && count != items) {
    problems_.Add(list.line, list.name, " count is ", count, " but ", items,
                  items == 1 ? " item follows" : " items follow");
  }
}

// "NAME ( count values... )" with group values per counted entry; onValue(item) for each value.
template <class OnValue>
void ListReader::CountedWords(const Ctx& list, int group, OnValue onValue) {
  long count = -1;
  bool countSeen = false;
  long values = 0;
  while (true) {
    Item item = NextItem(list);
    if (item.kind == Item::END) break;
    if (item.kind == Item::LIST) {
      Unexpected(item, list);
      continue;
    }
    if (!countSeen) {
      countSeen = true;
      if (!ParseLong(item.text, count) || count < 0) {
        problems_.Add(item.line, list.name, ": '", item.text, "' is not a count");
        count = -1;
      }
      continue;
    }
    ++values;
    onValue(item);
  }
  if (Cut()) return;
  if (!countSeen) {
    problems_.Add(list.line, list.name, " has no count");
  } else if (count >= 0 && count * group != values) {
    if (group == 1) {
      problems_.Add(list.line, list.name, " count is ", count, " but ", values,
                    values == 1 ? " value follows" : " values follow");
    } else {
      problems_.Add(list.line, list.name, " count is ", count, " but ", values, " values follow (",
                    group, " per entry)");
    }
  }
}

// A list of values: onValue(position, item) for each.
template <class OnValue>
int ListReader::Values(const Ctx& list, OnValue onValue) {
  int got = 0;
  while (true) {
    Item item = NextItem(list);
    if (item.kind == Item::END) break;
    if (item.kind == Item::LIST) {
      Unexpected(item, list);
      continue;
    }
    onValue(got++, item);
  }
  return got;
}

}  // namespace shapefile::reading

#endif  // TRIMORPH_SHAPEFILE_SHAPELISTREADER_H
