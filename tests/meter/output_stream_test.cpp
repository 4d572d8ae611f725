//===- tests/meter/output_stream_test.cpp - The 128-byte stream ---------===//

#include "meter/output_stream.h"

#include "recording_console.h"
#include "shared/exceptions.h"

#include <gtest/gtest.h>

#include <string>

namespace vexmor {
namespace {

using test::Console;

class OutputStreamTest : public testing::Test {
protected:
  void SetUp() override {
    OutputStream = OutputStreamState{};
    PendingIoError = 0;
    Console = test::RecordingConsole{};
  }

  /// The recorded code, read where the sanitizers' check of a thread-local
  /// read (which misfires in this test with GCC 12) is not in the way.
  [[gnu::noinline]] static std::int32_t Pending() { return PendingIoError; }

  /// Runs IoCheck and returns the code it raised, 0 when it raised nothing.
  static std::int32_t RaisedCode() {
    try {
      IoCheck();
    } catch (const EInOutError &Error) {
      return Error.IoErrorCode;
    }
    return 0;
  }
};

std::string Bytes(std::size_t Count, char First = 'a') {
  std::string Result;
  for (std::size_t I = 0; I < Count; ++I)
    Result += static_cast<char>(First + static_cast<char>(I % 26));
  return Result;
}

TEST_F(OutputStreamTest, AConsoleGetsOneWritePerStatement) {
  const std::string Statements[] = {"first", Bytes(60), Bytes(127), "xy"};
  for (const std::string &Statement : Statements) {
    OutputWrite(Statement.substr(0, 2));
    OutputWrite(Statement.substr(2));
    OutputFlush();
  }
  ASSERT_EQ(Console.Writes.size(), 4u);
  for (std::size_t I = 0; I < 4; ++I)
    EXPECT_EQ(Console.Writes[I], Statements[I]);
  EXPECT_EQ(Console.Opens, 1); // the handle is taken once
}

TEST_F(OutputStreamTest, AnEmptyStatementMakesNoWrite) {
  OutputWrite("");
  OutputFlush();
  OutputFlush();
  EXPECT_TRUE(OutputStream.IsOpen);
  EXPECT_TRUE(Console.Writes.empty());
  EXPECT_EQ(OutputWriteOut(), 0);
  EXPECT_TRUE(Console.Writes.empty());
}

TEST_F(OutputStreamTest, LineEndIsCrLfAndEndsTheStatement) {
  OutputWrite("a\nb");
  OutputWriteLn();
  ASSERT_EQ(Console.Writes.size(), 1u);
  EXPECT_EQ(Console.Writes[0], "a\nb\r\n");
}

TEST_F(OutputStreamTest, PipesAndFilesGetOnlyFullBlocksWhileRunning) {
  for (HandleKind Kind : {HandleKind::Pipe, HandleKind::Disk}) {
    SetUp();
    Console.Kind = Kind;
    std::string Sent;
    for (int Statement = 0; Statement < 40; ++Statement) {
      const std::string Piece =
          Bytes(static_cast<std::size_t>(Statement) * 7 % 61,
                static_cast<char>('A' + Statement % 20));
      OutputWrite(Piece);
      OutputWriteLn();
      Sent += Piece + "\r\n";
    }
    // The system's block: 128 bytes, whatever the stream's own constant.
    constexpr std::size_t Block = 128;
    for (const std::string &Write : Console.Writes)
      EXPECT_EQ(Write.size(), Block);
    EXPECT_EQ(Console.Writes.size(), Sent.size() / Block);
    EXPECT_EQ(OutputStream.Fill, Sent.size() % Block);
    OutputClose();
    EXPECT_EQ(Console.AllBytes(), Sent);
    EXPECT_EQ(Console.Closes, 0); // standard output stays open
  }
}

TEST_F(OutputStreamTest, APieceFillingTheBufferIsHandedOverInThatWrite) {
  OutputWrite(Bytes(100));
  EXPECT_TRUE(Console.Writes.empty());
  OutputWrite(Bytes(28, 'A'));
  ASSERT_EQ(Console.Writes.size(), 1u);
  EXPECT_EQ(Console.Writes[0], Bytes(100) + Bytes(28, 'A'));
  EXPECT_EQ(OutputStream.Fill, 0u);
  OutputFlush(); // finds nothing held
  EXPECT_EQ(Console.Writes.size(), 1u);
}

TEST_F(OutputStreamTest, ALongPieceGoesOutInBlocksWithTheTailHeld) {
  Console.Kind = HandleKind::Pipe;
  const std::string Piece = Bytes(300);
  OutputWrite(Piece);
  ASSERT_EQ(Console.Writes.size(), 2u);
  EXPECT_EQ(Console.Writes[0], Piece.substr(0, 128));
  EXPECT_EQ(Console.Writes[1], Piece.substr(128, 128));
  EXPECT_EQ(std::string(OutputStream.Buffer, OutputStream.Fill),
            Piece.substr(256));
}

TEST_F(OutputStreamTest, AFailedWriteDropsTheRestOfThatCallOnly) {
  Console.Kind = HandleKind::Pipe;
  Console.WriteResults = {32};
  OutputWrite(Bytes(300)); // first block fails: the other 172 bytes go too
  EXPECT_EQ(Console.Writes.size(), 1u);
  EXPECT_EQ(Pending(), 32);
  EXPECT_EQ(OutputStream.Fill, 0u);
  OutputWrite("later"); // the statement goes on
  OutputWriteLn();
  EXPECT_EQ(std::string(OutputStream.Buffer, OutputStream.Fill), "later\r\n");
  EXPECT_EQ(RaisedCode(), 32);
  EXPECT_EQ(Pending(), 0);
  EXPECT_EQ(RaisedCode(), 0);
}

TEST_F(OutputStreamTest, ALaterSuccessKeepsTheCodeAndALaterFailureReplacesIt) {
  Console.Kind = HandleKind::Pipe;
  Console.WriteResults = {28, 0, 5};
  OutputWrite(Bytes(128));
  OutputWrite(Bytes(128));
  EXPECT_EQ(Pending(), 28);
  OutputWrite(Bytes(128));
  EXPECT_EQ(Pending(), 5);
}

TEST_F(OutputStreamTest, AFailedFlushOnAConsoleRecordsItsCode) {
  Console.WriteResults = {5};
  OutputWrite("abc");
  OutputFlush();
  EXPECT_EQ(Console.Writes.size(), 1u);
  EXPECT_EQ(OutputStream.Fill, 0u); // held bytes are discarded all the same
  EXPECT_EQ(RaisedCode(), 5);
}

TEST_F(OutputStreamTest, AFailedOpenRecords105AndIsTriedAgain) {
  Console.HasStandardOutput = false;
  OutputWrite("lost");
  EXPECT_FALSE(OutputStream.IsOpen);
  EXPECT_EQ(OutputStream.Fill, 0u);
  EXPECT_EQ(Pending(), OutputOpenFailedCode);
  OutputFlush();
  EXPECT_TRUE(Console.Writes.empty());

  Console.HasStandardOutput = true;
  OutputWrite("kept");
  OutputFlush();
  EXPECT_EQ(Console.Opens, 2);
  ASSERT_EQ(Console.Writes.size(), 1u);
  EXPECT_EQ(Console.Writes[0], "kept");
}

TEST_F(OutputStreamTest, AHandleOfUnknownKindIsClosedAndFailsTheOpen) {
  Console.Kind = HandleKind::Unknown;
  OutputWrite("lost");
  EXPECT_FALSE(OutputStream.IsOpen);
  EXPECT_EQ(Console.Closes, 1);
  EXPECT_EQ(RaisedCode(), OutputOpenFailedCode);
  EXPECT_TRUE(Console.Writes.empty());
}

TEST(IoCheckTest, TheCodeSelectsTheMessage) {
  const struct {
    std::int32_t Code;
    const char *Message;
  } Cases[] = {
      {2, "File not found"},
      {3, "Invalid filename"},
      {4, "Too many open files"},
      {5, "File access denied"},
      {100, "Read beyond end of file"},
      {101, "Disk full"},
      {106, "Invalid numeric input"},
      {105, "I/O error 105"},
      {32, "I/O error 32"},
      {28, "I/O error 28"},
      {-7, "I/O error -7"},
      {1, "I/O error 1"},
  };
  for (const auto &Case : Cases) {
    PendingIoError = Case.Code;
    try {
      IoCheck();
      ADD_FAILURE() << "nothing raised for " << Case.Code;
    } catch (const EInOutError &Error) {
      EXPECT_EQ(Error.IoErrorCode, Case.Code);
      EXPECT_EQ(Error.Message(), Case.Message);
      EXPECT_STREQ(Error.ClassName(), "EInOutError");
    }
  }
}

} // namespace
} // namespace vexmor
