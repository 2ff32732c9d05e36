#pragma once
// The retry protocol every ECU operation follows: an error dialog shows a status code and the
// user decides whether the operation is repeated.

#include <cstdint>

// Answers of FehlerAnzeigen.
enum RetryAnswer : int {
    NoErrorShown = 0,     // the code was 0: nothing was shown, go on
    RepeatOperation = 1,  // the user asked to repeat
    GiveUp = 2,           // the user gave up (also when the dialog was closed any other way)
};

class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    // Code 0 answers NoErrorShown without showing anything. Any other code is shown and the
    // answer is RepeatOperation or GiveUp, never anything else.
    virtual int FehlerAnzeigen(int32_t code) = 0;
};

// A dialog's modal result as a retry answer: only an explicit "repeat" (1) repeats.
constexpr int retryAnswerOf(int modalResult) {
    return modalResult == RepeatOperation ? RepeatOperation : GiveUp;
}

// Runs an operation again for as long as it answers RepeatOperation (the user asked to repeat
// in its error dialog); returns the final answer.
template <class Operation>
int repeatWhileAsked(Operation&& operation) {
    int answer;
    do {
        answer = operation();
    } while (answer == RepeatOperation);
    return answer;
}
