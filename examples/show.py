"""Prints the BUFR messages of a file.

    python examples/show.py examples/sample.bufr
"""

import sys

import _mervane


def main(path):
    for message in _mervane.parse_all_file(path):
        print(message)
        print(
            f"  centre {message.originating_centre}/{message.originating_subcentre}, "
            f"master table {message.master_table_number} version "
            f"{message.master_tables_version_number}, local version "
            f"{message.local_tables_version_number}, category {message.data_category}"
        )
        print(
            f"  typical time {message.typical_year:04}-{message.typical_month:02}-"
            f"{message.typical_day:02} {message.typical_hour:02}:{message.typical_minute:02}:"
            f"{message.typical_second:02}, {message.number_of_subsets} subset(s), "
            f"{'compressed' if message.compressed_data else 'uncompressed'}, "
            f"section 4 holds {message.section4_data_length} octets"
        )


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "examples/sample.bufr")
