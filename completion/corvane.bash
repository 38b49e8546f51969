# bash completion for corvane                              -*- shell-script -*-
#
# The commands and each command's options are read from the program's own
# help (`corvane --help`, `corvane COMMAND --help`), so they are always the
# ones it takes. What an option's value is comes from the lists below: add
# a new option that takes a folder, or a value that is no file, there.
# Archives (*.exe) are offered where an archive goes, folders for -d and -C.

_corvane_folder_options=" -d --dest -C --directory "
_corvane_word_options=" --run --threads --exclude --level "
_corvane_level_values="1 2 3"

# The names under a heading of the help ("Options:", "Subcommands:") of
# `$1 $2 --help`, one a line; with $3 set, only the options that take a
# value (the help shows a type such as TEXT or INT after them).
_corvane_from_help() {
    local line names rest in_section=
    while IFS= read -r line; do
        case $line in
            "$4") in_section=1 ;;
            [![:space:]]*) in_section= ;;
            "  "[![:space:]]*)
                # An item; its description may go on below, indented further.
                [[ $in_section ]] || continue
                line=${line#  }
                names=${line%%[[:space:]]*}
                rest=${line#"$names"}
                rest=${rest#[[:space:]]}
                if [[ $3 ]] && ! [[ $rest =~ ^[A-Z]+([:[:space:]]|$) ]]; then
                    continue
                fi
                printf '%s\n' ${names//,/ }
                ;;
        esac
    done < <("$1" ${2:+"$2"} --help 2>/dev/null)
}

_corvane_files() {  # $1: a pattern the files must match, or nothing
    local IFS=$'\n'
    compopt -o filenames 2>/dev/null
    if [[ $1 ]]; then
        COMPREPLY=($(compgen -f -X "!$1" -- "$cur") $(compgen -d -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}

_corvane_folders() {
    local IFS=$'\n'
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -d -- "$cur"))
}

_corvane() {
    local program=${COMP_WORDS[0]}
    local cur=${COMP_WORDS[COMP_CWORD]} prev=
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    # bash splits --dest=out at the '=': the value goes with the option.
    if [[ $cur == = ]]; then
        cur=
    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi
    COMPREPLY=()

    # The options before the command take no value: the first other word
    # is the command.
    local command= at
    for ((at = 1; at < COMP_CWORD; at++)); do
        if [[ ${COMP_WORDS[at]} != -* ]]; then
            command=${COMP_WORDS[at]}
            break
        fi
    done
    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "$(_corvane_from_help "$program" "" "" "Options:")" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$(_corvane_from_help "$program" "" "" "Subcommands:")" -- "$cur"))
        fi
        return
    fi

    local value_options
    value_options=" $(_corvane_from_help "$program" "$command" 1 "Options:" | tr '\n' ' ') "
    if [[ $prev == -* && $value_options == *" $prev "* ]]; then
        if [[ $_corvane_folder_options == *" $prev "* ]]; then
            _corvane_folders
        elif [[ $prev == --level ]]; then
            COMPREPLY=($(compgen -W "$_corvane_level_values" -- "$cur"))
        elif [[ $_corvane_word_options != *" $prev "* ]]; then
            _corvane_files
        fi
        return
    fi
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(_corvane_from_help "$program" "$command" "" "Options:")" -- "$cur"))
        return
    fi

    # Which argument this is, the option values skipped.
    local position=0 word
    for ((at++; at < COMP_CWORD; at++)); do
        word=${COMP_WORDS[at]}
        if [[ ${COMP_WORDS[at + 1]} == = ]]; then
            ((at += 2))
        elif [[ $word == -* ]]; then
            [[ $value_options == *" $word "* ]] && ((at++))
        else
            ((position++))
        fi
    done
    case $command,$position in
        help,0) COMPREPLY=($(compgen -W "$(_corvane_from_help "$program" "" "" "Subcommands:")" -- "$cur")) ;;
        help,*) ;;
        create,0 | list,0 | test,0 | extract,0) _corvane_files '*.[eE][xX][eE]' ;;
        create,*) _corvane_files ;;
    esac
} &&
    complete -F _corvane corvane

# ex: filetype=sh
