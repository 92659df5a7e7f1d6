<html><head><title>Write to us</title></head><body><p>Print House, 20 Wacker Drive, Chicago, IL 60606</p></body></html>
