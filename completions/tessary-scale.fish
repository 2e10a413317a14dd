# fish completion for tessary-scale: options, and *.mdl files for inputs.

# Models and folders, except where an option's value goes.
function __tessary_scale_wants_model
    not string match -qr -- '^(-[stj]|--scale|--fit|--target-directory|--suffix|--jobs|--threads)$' (commandline -opc)[-1]
end
function __tessary_models
    __fish_complete_path (commandline -ct) | string match -ri -- '^.*(?:\.mdl|/)\t?$'
end
complete -c tessary-scale -f
complete -c tessary-scale -n __tessary_scale_wants_model -a '(__tessary_models)'
complete -c tessary-scale -s s -l scale -x -d 'Scale factors, X or X,Y,Z'
complete -c tessary-scale -l fit -x -a 'x= y= z=' -d 'Span LENGTH along AXIS'
complete -c tessary-scale -s t -l target-directory -x -a '(__fish_complete_directories)' -d 'Write each INPUT to DIR'
complete -c tessary-scale -l suffix -x -d 'Write beside each INPUT with SUFFIX before its extension'
complete -c tessary-scale -s i -l in-place -d 'Replace each INPUT by its scaled version'
complete -c tessary-scale -s j -l jobs -x -d 'Scale N files at a time'
complete -c tessary-scale -l threads -x -d 'Threads for each file\'s pass'
complete -c tessary-scale -l info -d 'Print what each INPUT holds; write nothing'
complete -c tessary-scale -l json -d 'With --info: one JSON object per INPUT'
complete -c tessary-scale -l progress -d 'Always show a progress line'
complete -c tessary-scale -l no-progress -d 'Never show a progress line'
complete -c tessary-scale -s v -l verbose -d 'Print Done!, fitted factors and a summary'
complete -c tessary-scale -s h -l help -d 'Print the help and exit'
complete -c tessary-scale -s V -l version -d 'Print the version and exit'
