#include "StderrCapture.h"

#include <unistd.h>

#include <cstdio>
#include <stdexcept>

#include "PlatformFile.h"

StderrCapture::StderrCapture() {
    m__INT__File = PlatformFile::CreateTemporary();
    if (m__INT__File < 0) throw std::runtime_error("cannot make a file for standard error");
    std::fflush(stderr);
    m__INT__Saved = ::dup(STDERR_FILENO);
    ::dup2(m__INT__File, STDERR_FILENO);
}

StderrCapture::~StderrCapture() {
    Restore();
    ::close(m__INT__File);
}

void StderrCapture::Restore() {
    if (m__INT__Saved < 0) return;
    std::fflush(stderr);
    ::dup2(m__INT__Saved, STDERR_FILENO);
    ::close(m__INT__Saved);
    m__INT__Saved = -1;
}

std::string StderrCapture::Text() {
    std::fflush(stderr);
    std::string l__string__Text;
    char l__CHAR__Buffer[65536];
    ssize_t l__ssize_t__Read;
    off_t l__off_t__At = 0;
    while ((l__ssize_t__Read = ::pread(m__INT__File, l__CHAR__Buffer, sizeof(l__CHAR__Buffer), l__off_t__At)) > 0) {
        l__string__Text.append(l__CHAR__Buffer, static_cast<size_t>(l__ssize_t__Read));
        l__off_t__At += l__ssize_t__Read;
    }
    return l__string__Text;
}
