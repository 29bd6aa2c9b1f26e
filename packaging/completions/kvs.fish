# fish completion for kvs: commands, options, the values of options that
# take names, and files where a file is asked for.

complete -c kvs -f
complete -c kvs -n __fish_use_subcommand -a search -d 'Find the S mutually closest rows of a table'
complete -c kvs -n __fish_use_subcommand -a demo -d "Replay the window's actions without a display"
complete -c kvs -n __fish_use_subcommand -a study -d 'Measure how the noise defeats the search'
complete -c kvs -s h -l help -d 'Print help and exit'
complete -c kvs -n __fish_use_subcommand -l version -d 'Print the version and exit'

set -l search '__fish_seen_subcommand_from search'
complete -c kvs -n $search -F -d 'Table'
complete -c kvs -n $search -s s -l size -x -d 'Rows in the subset (1 to n)'
complete -c kvs -n $search -l fraction -x -d 'The subset as a fraction of the rows'
complete -c kvs -n $search -s j -l threads -x -d 'Threads (0 for every core, at most 256)'
complete -c kvs -n $search -l method -x -a 'auto dense tree described' -d 'How to search'
complete -c kvs -n $search -l columns -x -d 'Use only these columns: numbers, ranges or header names'
complete -c kvs -n $search -l delimiter -x -a 'detect comma semicolon tab blank' -d 'The cell separator'
complete -c kvs -n $search -l header -d 'The first line is a header'
complete -c kvs -n $search -l no-header -d 'The first line is data'
complete -c kvs -n $search -l scale -x -a 'auto' -d 'Read every value as round(value * K), or auto'
complete -c kvs -n $search -l array -x -d 'The array of a .npz file to read'
complete -c kvs -n $search -l format -x -a 'text csv json rows' -d 'Output format'
complete -c kvs -n $search -s o -l output -r -F -d 'Write the result to a file'
complete -c kvs -n $search -s q -l quiet -d 'No progress bar'

set -l demo '__fish_seen_subcommand_from demo'
complete -c kvs -n $demo -a 'pick: up down repeat restart search save:' -d 'Action'
complete -c kvs -n $demo -l client -x -d 'Client area of saved pictures (WxH)'
complete -c kvs -n $demo -l format -x -a 'text json' -d 'Output format'
complete -c kvs -n $demo -l export-series -r -F -d 'Write the final series as CSV'

set -l study '__fish_seen_subcommand_from study'
complete -c kvs -n $study -l levels -x -d 'Noise levels, comma-separated'
complete -c kvs -n $study -l trials -x -d 'Picks per level'
complete -c kvs -n $study -l seed -x -d 'Seed (0 to 2^64 - 1)'
complete -c kvs -n $study -l length -x -d 'Vectors in a series'
complete -c kvs -n $study -l repeats -x -d 'Copies of the pick'
complete -c kvs -n $study -l size -x -d 'Size of the subset searched for'
complete -c kvs -n $study -s j -l threads -x -d 'Threads (0 for every core, at most 256)'
complete -c kvs -n $study -l format -x -a 'text csv json' -d 'Output format'
complete -c kvs -n $study -l plot -r -F -d 'Draw precision and recall to FILE.png or FILE.svg'
complete -c kvs -n $study -s q -l quiet -d 'No progress bar'
