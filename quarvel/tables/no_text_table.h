// The no-text table: "beginNoTextTable" ... "endNoTextTable". It draws
// nothing of its own; its lines are read by the main loop as top-level
// lines, so a top-level keyword inside it acts as anywhere else.
#ifndef QUARVEL_TABLES_NO_TEXT_TABLE_H_
#define QUARVEL_TABLES_NO_TEXT_TABLE_H_

namespace quarvel {

// Called on "beginNoTextTable"; reads nothing and draws nothing.
inline void SkipNoTextTable() {}

}  // namespace quarvel

#endif  // QUARVEL_TABLES_NO_TEXT_TABLE_H_
