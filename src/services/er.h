// Numbered error messages: built from the group's message file
// "$MORERR/<group>.ERR" and written as one prefixed line on standard output.
#pragma once

#include <span>
#include <string_view>

inline constexpr int kErNoFile = 2;    // no message file could be opened, or the group is blank
inline constexpr int kErNotFound = 3;  // the number is not in the message file

// Write the message of msggrp/msgnum with msgstr as its context (nothing for
// msgnum 0). iret 0 found, 2 no message file (or blank group), 3 number not found.
void er_wmsg(std::string_view msggrp, int msgnum, std::string_view msgstr, int& iret);
// Build that message into outmsg (blank-padded); iret as er_wmsg.
void er_mmsg(std::string_view msggrp, int msgnum, std::string_view msgstr, std::span<char> outmsg,
             int& iret);
