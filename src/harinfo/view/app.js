// The viewer page.
