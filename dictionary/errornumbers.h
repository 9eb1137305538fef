#pragma once

// Kept free of Qt: the reader reports these numbers too.
namespace volmira {

// Error numbers. Where Jet has a number its users know, it is used; the program's own start above 30000.
namespace ErrorNumber {
constexpr int InvalidProcedureCall = 5;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int DivisionByZero = 11;
constexpr int TypeMismatch = 13;
constexpr int InvalidPattern = 93;
constexpr int InvalidUseOfNull = 94;
constexpr int InvalidPropertyValue = 380;
constexpr int NoCurrentRecord = 3021;
constexpr int FileNotFound = 3024;
constexpr int NotValidPassword = 3031;
constexpr int FileInUse = 3045;
constexpr int ColumnNotFound = 3061;
constexpr int AmbiguousColumn = 3079;
constexpr int TableNotFound = 3078;
constexpr int SyntaxError = 3075;
constexpr int OrderByConflictsWithDistinct = 3093;
constexpr int AggregateInWhere = 3096;
constexpr int CircularAlias = 3103;
constexpr int AggregateOverMemo = 3115;
constexpr int GroupOnStar = 3120;
constexpr int NotPartOfAggregate = 3122;
constexpr int ItemNotFound = 3265;
constexpr int DataTypeMismatch = 3464;
constexpr int UnrecognizedFormat = 3343;
constexpr int ObjectClosed = 3704;
constexpr int FileTooLarge = 30005;
constexpr int DamagedData = 30006;
constexpr int EngineFailure = 30007;
constexpr int FileSystem = 30008;
}  // namespace ErrorNumber

}  // namespace volmira
