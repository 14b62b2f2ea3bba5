#pragma once

#include "ChildProcess.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// A file's bytes as they are ("" when it does not exist yet): what a sink or the program wrote.
inline std::string FileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A program of the tests that writes down what is typed into its window (a terminal running cat,
// the Qt text window), started by the kind of sink.
class FileSink {
public:
    std::string Typed() const { return FileText(file_); }
    // The program has made its file: it reads what comes.
    bool Ready() const { return std::filesystem::exists(file_); }
    const std::filesystem::path& File() const { return file_; }
    ChildProcess& Process() { return process_; }

protected:
    explicit FileSink(std::filesystem::path file) : file_(std::move(file)) {}

    std::filesystem::path file_;
    ChildProcess process_;
};
