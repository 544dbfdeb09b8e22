# Writes a man page from sections of README.md, so that the README stays the one text of the
# command line and the files. Handles what those sections use: paragraphs, "- " lists with
# indented continuation lines, ``` blocks, `code` and **bold**.
#
# awk -v page=NAME -v summary=TEXT -v version=V -v description="SECTION" [-v synopsis=TEXT]
#     -v files="SECTION" -v seealso="other(1)" -f readme-to-man.awk README.md
# Without synopsis, the first ``` block of the description section is the synopsis.

function roffLine(text) {
    return text ~ /^[.']/ ? "\\&" text : text
}

# Inline markup; a `code` span may run on over a line end.
function inline(text,    out, i, c) {
    out = ""
    for (i = 1; i <= length(text); i++) {
        c = substr(text, i, 1)
        if (c == "\\") {
            out = out "\\e"
        } else if (c == "`") {
            inCode = !inCode
            out = out (inCode ? "\\fB" : "\\fR")
        } else if (c == "*" && substr(text, i + 1, 1) == "*" && !inCode) {
            inBold = !inBold
            out = out (inBold ? "\\fB" : "\\fR")
            i++
        } else if (c == "-" && inCode) {
            out = out "\\-"
        } else {
            out = out c
        }
    }
    return roffLine(out)
}

function verbatim(text) {
    gsub(/\\/, "\\e", text)
    gsub(/-/, "\\-", text)
    return roffLine(text)
}

function emit(kind, text) {
    if (kind == "description")
        descriptionOut[++descriptionCount] = text
    else
        filesOut[++filesCount] = text
}

function paragraphBreak(kind) {
    pendingBreak[kind] = 1
}

function flushBreak(kind) {
    if (pendingBreak[kind] && (kind == "description" ? descriptionCount : filesCount) > 0)
        emit(kind, ".PP")
    pendingBreak[kind] = 0
}

/^## / {
    section = substr($0, 4)
    kind = section == description ? "description" : section == files ? "files" : ""
    next
}

/^# / { kind = ""; next }

kind == "" { next }

/^```/ {
    if (!inBlock) {
        inBlock = 1
        blockIsSynopsis = synopsis == "" && kind == "description" && !synopsisCount
        if (!blockIsSynopsis) {
            flushBreak(kind)
            emit(kind, ".nf")
        }
    } else {
        inBlock = 0
        if (!blockIsSynopsis)
            emit(kind, ".fi")
        paragraphBreak(kind)
    }
    next
}

inBlock {
    if (blockIsSynopsis)
        synopsisOut[++synopsisCount] = verbatim($0)
    else
        emit(kind, verbatim($0))
    next
}

/^[ \t]*$/ { paragraphBreak(kind); next }

/^- / {
    emit(kind, ".IP \\(bu 2")
    pendingBreak[kind] = 0
    emit(kind, inline(substr($0, 3)))
    next
}

/^  / {
    sub(/^ +/, "")
    emit(kind, inline($0))
    next
}

{
    flushBreak(kind)
    emit(kind, inline($0))
}

END {
    upper = toupper(page)
    print ".\\\" Generated from README.md by tools/readme-to-man.awk; edit the README."
    print ".TH \"" upper "\" \"1\" \"\" \"solvina " version "\" \"User Commands\""
    print ".SH NAME"
    print page " \\- " summary
    print ".SH SYNOPSIS"
    print ".nf"
    if (synopsis != "")
        print roffLine(synopsis)
    for (i = 1; i <= synopsisCount; i++)
        print synopsisOut[i]
    print ".fi"
    print ".SH DESCRIPTION"
    for (i = 1; i <= descriptionCount; i++)
        print descriptionOut[i]
    print ".SH FILES"
    for (i = 1; i <= filesCount; i++)
        print filesOut[i]
    print ".SH SEE ALSO"
    split(seealso, refs, " ")
    for (i = 1; i in refs; i++) {
        ref = refs[i]
        sub(/\(/, " (", ref)
        print ".BR " ref (i + 1 in refs ? " ," : "")
    }
}
