# fish completion for tessary: its two options and a *.mdl model to open.

function __tessary_models
    __fish_complete_path (commandline -ct) | string match -ri -- '^.*(?:\.mdl|/)\t?$'
end
complete -c tessary -f -a '(__tessary_models)'
complete -c tessary -s h -l help -d 'Print the usage and exit'
complete -c tessary -s V -l version -d 'Print the version and exit'
