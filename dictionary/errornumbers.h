#pragma once

// Kept free of Qt: the reader process reports these numbers too.
namespace volmira {

// Error numbers. Where Jet has a number its users know, it is used; the program's own start above 30000.
namespace ErrorNumber {
constexpr int OutOfMemory = 7;
constexpr int InvalidUseOfNull = 94;
constexpr int NoCurrentRecord = 3021;
constexpr int FileNotFound = 3024;
constexpr int NotValidPassword = 3031;
constexpr int FileInUse = 3045;
constexpr int ColumnNotFound = 3061;
constexpr int TableNotFound = 3078;
constexpr int SyntaxError = 3075;
constexpr int OrderByConflictsWithDistinct = 3093;
constexpr int NotPartOfAggregate = 3122;
constexpr int DataTypeMismatch = 3464;
constexpr int UnrecognizedFormat = 3343;
constexpr int ObjectClosed = 3704;
constexpr int ReaderFailedToStart = 30001;
constexpr int ReaderTimedOut = 30003;
constexpr int ReaderProtocol = 30004;
constexpr int FileTooLarge = 30005;
constexpr int DamagedData = 30006;
constexpr int EngineFailure = 30007;
constexpr int FileSystem = 30008;
}  // namespace ErrorNumber

}  // namespace volmira
